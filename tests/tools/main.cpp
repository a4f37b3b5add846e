#include <QCoreApplication>

int runLexoraToolTests(int argc, char *argv[]);
int runLexoraOutputTests(int argc, char *argv[]);

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    int status = runLexoraToolTests(argc, argv);
    status |= runLexoraOutputTests(argc, argv);
    return status;
}
