#include <QtTest>
class TestResultFile : public QObject { Q_OBJECT };
QTEST_GUILESS_MAIN(TestResultFile)
#include "TestResultFile.moc"
