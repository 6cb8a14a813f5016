// The window front-end's tests: one QApplication for the whole run, on the
// offscreen platform unless the environment chose another.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "ui/DialogColours.h"

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    kivui::ApplyUiStyle(application);
    return RUN_ALL_TESTS();
}
