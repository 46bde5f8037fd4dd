#pragma once

#include <QApplication>
#include <QtTest>

namespace testsupport {
// Offscreen platform, English (United Kingdom) locale, and private XDG and
// home folders, so that no test touches the user's own files.
void prepareEnvironment();
void afterApplication();
}

#define TALLYLINE_TEST_MAIN(TestObject)                                                                          \
    int main(int argc, char **argv)                                                                             \
    {                                                                                                            \
        testsupport::prepareEnvironment();                                                                      \
        QApplication app(argc, argv);                                                                            \
        testsupport::afterApplication();                                                                        \
        TestObject tc;                                                                                          \
        QTEST_SET_MAIN_SOURCE_PATH                                                                              \
        return QTest::qExec(&tc, argc, argv);                                                                   \
    }
