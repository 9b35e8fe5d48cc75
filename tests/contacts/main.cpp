// Runs every contact-data test class; each is a QObject declared in its own file.
#include <QCoreApplication>
#include <QTest>

#include <memory>

QObject *makeContactTableTest();
QObject *makeVCardReaderTest();
QObject *makeVCardWriterTest();
QObject *makeTextExportTest();
QObject *makeContactFileTest();

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    int failed = 0;
    for (auto make :
         {makeContactTableTest, makeVCardReaderTest, makeVCardWriterTest, makeTextExportTest, makeContactFileTest}) {
        std::unique_ptr<QObject> test(make());
        failed += QTest::qExec(test.get(), argc, argv);
    }
    return failed;
}
