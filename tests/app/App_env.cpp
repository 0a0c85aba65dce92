// The windows need one application object for the whole test program: the program's own, so
// the exception box is tested too.
#include <gtest/gtest.h>

#include <memory>

#include "app/Application.h"

namespace {

class VornellAppEnvironment : public ::testing::Environment {
public:
    void SetUp() override { app_ = std::make_unique<VornellApplication>(argc_, argv_); }
    void TearDown() override { app_.reset(); }

private:
    int argc_ = 1;
    char name_[9] = "test_app";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<VornellApplication> app_;
};

[[maybe_unused]] auto* const environment =
    ::testing::AddGlobalTestEnvironment(new VornellAppEnvironment);

} // namespace
