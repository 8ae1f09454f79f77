#include <QtTest>
class TestSearchResultList : public QObject { Q_OBJECT };
QTEST_GUILESS_MAIN(TestSearchResultList)
#include "TestSearchResultList.moc"
