#include "tst_atomicfile.h"
#include "tst_fileservices.h"
#include "tst_generation.h"
#include "tst_qtproject.h"

#include <QCoreApplication>
#include <QTest>

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    int status = 0;
    {
        TestAtomicFile test;
        status |= QTest::qExec(&test, argc, argv);
    }
    {
        TestFileServices test;
        status |= QTest::qExec(&test, argc, argv);
    }
    {
        TestGeneration test;
        status |= QTest::qExec(&test, argc, argv);
    }
    {
        TestQtProject test;
        status |= QTest::qExec(&test, argc, argv);
    }
    return status;
}
