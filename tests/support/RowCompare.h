#pragma once

#include <QtTest>

// QCOMPARE inside a loop over a table: on failure it also names the row, then returns.
#define ROW_COMPARE(actual, expected, row)                                                   \
    do {                                                                                     \
        if (!QTest::qCompare(actual, expected, #actual, #expected, __FILE__, __LINE__))      \
            return qWarning("in row %s", qPrintable(QString(row)));                          \
    } while (0)
