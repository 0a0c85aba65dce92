#include "library/Html_base.h"

namespace lib::html {

base::~base() = default;

} // namespace lib::html
