#pragma once

#include <QCoreApplication>
#include <QtTest>

namespace testsupport {
// Offscreen platform, English (United Kingdom) locale, and private XDG and
// home folders, so that no test touches the user's own files.
void prepareEnvironment();
void afterApplication();
}

#define TALLYLINE_TEST_MAIN_WITH(Application, TestObject)                                                        \
    int main(int argc, char **argv)                                                                             \
    {                                                                                                            \
        testsupport::prepareEnvironment();                                                                      \
        Application app(argc, argv);                                                                             \
        testsupport::afterApplication();                                                                        \
        TestObject tc;                                                                                          \
        QTEST_SET_MAIN_SOURCE_PATH                                                                              \
        return QTest::qExec(&tc, argc, argv);                                                                   \
    }

// A test of engine code: no display, Qt Core only (as QTEST_GUILESS_MAIN,
// in the test environment above). Such a test links only the core library.
#define TALLYLINE_ENGINE_TEST_MAIN(TestObject) TALLYLINE_TEST_MAIN_WITH(QCoreApplication, TestObject)

// A test of windows: the application object of a widget program.
#ifdef QT_WIDGETS_LIB
#include <QApplication>
#define TALLYLINE_TEST_MAIN(TestObject) TALLYLINE_TEST_MAIN_WITH(QApplication, TestObject)
#endif
