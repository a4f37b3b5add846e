#include "tst_numerusrules.h"
#include "tst_qmwriter.h"
#include "tst_translationcatalog.h"
#include "tst_tswriter.h"

#include <QCoreApplication>
#include <QTest>

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    int status = 0;
    auto run = [&](QObject &&test) {
        status |= QTest::qExec(&test, argc, argv);
    };
    run(TestTranslationCatalog());
    run(TestTsWriter());
    run(TestQmWriter());
    run(TestNumerusRules());
    return status;
}
