#pragma once
// Widget tests need one QApplication for the whole test program; each widget test directory
// registers this environment once.
#include <QApplication>

#include <gtest/gtest.h>

#include <memory>

class QtWidgetsEnvironment : public ::testing::Environment {
public:
    void SetUp() override { app_ = std::make_unique<QApplication>(argc_, argv_); }
    void TearDown() override { app_.reset(); }

private:
    int argc_ = 1;
    char name_[8] = "vornell";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> app_;
};
