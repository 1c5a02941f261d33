// One QApplication for the GUI tests, on the offscreen platform unless another is set. Every
// test file may register the environment; the first one makes the application.
#pragma once

#include <QApplication>
#include <gtest/gtest.h>
#include <memory>

namespace varnix::test {

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (QCoreApplication::instance()) return;
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "ui_tests";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override { app_.reset(); }

private:
    std::unique_ptr<QApplication> app_;
};

}  // namespace varnix::test
