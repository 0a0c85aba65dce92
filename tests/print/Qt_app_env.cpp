#include "Qt_widgets_env.h"

namespace {

[[maybe_unused]] auto* const environment =
    ::testing::AddGlobalTestEnvironment(new QtWidgetsEnvironment);

} // namespace
