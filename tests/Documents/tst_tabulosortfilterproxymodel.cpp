#include "Documents/TabuloSortFilterProxyModel.h"

#include <QStandardItemModel>
#include <QtTest>

Q_DECLARE_METATYPE(QList<ColumnFilter>)

namespace {
ColumnFilter record(int join, int column, int kind, const QString &pattern, QRegExp::PatternSyntax syntax = QRegExp::Wildcard,
                    Qt::CaseSensitivity cs = Qt::CaseInsensitive)
{
    ColumnFilter filter;
    filter.join = join;
    filter.column = column;
    filter.kind = kind;
    filter.pattern = QRegExp(pattern, cs, syntax);
    return filter;
}

// Column 0 a text, column 1 a code, column 2 the row's id.
const QStringList Texts{"xaby", "AB", "a b", "ab", "abab", "abc"};
const QStringList Codes{"9", "10", "05", "1", "100", ""};
}

class TestTabuloSortFilterProxyModel : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void filters_data();
    void filters();
    void headerComesFromTheSource();
    void replacingTheFiltersRefilters();

private:
    QStringList shownIds() const;

    std::unique_ptr<QStandardItemModel> m_source;
    std::unique_ptr<TabuloSortFilterProxyModel> m_proxy;
};

void TestTabuloSortFilterProxyModel::init()
{
    m_source.reset(new QStandardItemModel(Texts.size(), 3));
    for (int row = 0; row < Texts.size(); ++row) {
        m_source->setItem(row, 0, new QStandardItem(Texts.at(row)));
        m_source->setItem(row, 1, new QStandardItem(Codes.at(row)));
        m_source->setItem(row, 2, new QStandardItem(QString::number(row + 1)));
    }
    m_proxy.reset(new TabuloSortFilterProxyModel);
    m_proxy->setSourceModel(m_source.get());
    QCOMPARE(m_proxy->rowCount(), Texts.size());  // the mapping exists before any filter
}

QStringList TestTabuloSortFilterProxyModel::shownIds() const
{
    QStringList ids;
    for (int row = 0; row < m_proxy->rowCount(); ++row)
        ids << m_proxy->index(row, 2).data().toString();
    return ids;
}

void TestTabuloSortFilterProxyModel::filters_data()
{
    using F = ColumnFilter;
    QTest::addColumn<QList<ColumnFilter>>("filters");
    QTest::addColumn<QStringList>("shown");

    const QStringList all{"1", "2", "3", "4", "5", "6"};
    QTest::newRow("no records") << QList<F>{} << all;
    QTest::newRow("wildcard, ignoring case") << QList<F>{record(F::And, 0, F::Match, "*ab*")}
                                             << QStringList{"1", "2", "4", "5", "6"};
    QTest::newRow("the whole text must be matches")
        << QList<F>{record(F::And, 0, F::Match, "ab", QRegExp::RegExp, Qt::CaseSensitive)} << QStringList{"4", "5"};
    QTest::newRow("question mark: one character") << QList<F>{record(F::And, 0, F::Match, "a?b")} << QStringList{"3"};
    QTest::newRow("no match") << QList<F>{record(F::And, 0, F::NoMatch, "*ab*")} << QStringList{"3"};
    QTest::newRow("less, ordinal") << QList<F>{record(F::And, 1, F::Less, "10")} << QStringList{"3", "4", "6"};
    QTest::newRow("greater: 9 above 10, 05 below")
        << QList<F>{record(F::And, 1, F::Greater, "10")} << QStringList{"1", "5"};
    QTest::newRow("greater or equal") << QList<F>{record(F::And, 1, F::GreaterOrEqual, "10")}
                                      << QStringList{"1", "2", "5"};
    QTest::newRow("less or equal, case-sensitive")
        << QList<F>{record(F::And, 0, F::LessOrEqual, "AB", QRegExp::Wildcard, Qt::CaseSensitive)} << QStringList{"2"};
    QTest::newRow("less or equal, ignoring case")
        << QList<F>{record(F::And, 0, F::LessOrEqual, "AB")} << QStringList{"2", "3", "4"};
    QTest::newRow("unknown kind accepts") << QList<F>{record(F::And, 0, 9, "zzz")} << all;
    QTest::newRow("column outside the source tests the empty text")
        << QList<F>{record(F::And, 7, F::Match, "*ab*")} << QStringList{};
    QTest::newRow("empty text can match") << QList<F>{record(F::And, -1, F::Match, "*")} << all;
    QTest::newRow("a first OR record acts as AND") << QList<F>{record(F::Or, 0, F::Match, "a?b")} << QStringList{"3"};
    QTest::newRow("(first OR second) AND third")
        << QList<F>{record(F::And, 0, F::Match, "ab", QRegExp::RegExp, Qt::CaseSensitive),
                    record(F::Or, 1, F::Match, "9"), record(F::And, 1, F::Match, "*0*")}
        << QStringList{"5"};
    QTest::newRow("unknown join leaves the result")
        << QList<F>{record(F::And, 0, F::Match, "*ab*"), record(5, 0, F::Match, "nothing")}
        << QStringList{"1", "2", "4", "5", "6"};
}

void TestTabuloSortFilterProxyModel::filters()
{
    QFETCH(QList<ColumnFilter>, filters);
    QFETCH(QStringList, shown);
    m_proxy->setColumnFilters(filters);
    QCOMPARE(m_proxy->columnFilters(), filters);
    QCOMPARE(shownIds(), shown);
}

void TestTabuloSortFilterProxyModel::headerComesFromTheSource()
{
    m_source->setHorizontalHeaderLabels({"Текст", "Код", "Номер"});
    m_source->setVerticalHeaderLabels({"r1", "r2", "r3", "r4", "r5", "r6"});
    m_proxy->setColumnFilters({record(ColumnFilter::And, 0, ColumnFilter::Match, "*ab*")});
    m_proxy->sort(0, Qt::AscendingOrder);
    QCOMPARE(m_proxy->index(0, 0).data().toString(), QStringLiteral("AB"));
    QCOMPARE(m_proxy->index(4, 0).data().toString(), QStringLiteral("xaby"));
    // Rows keep the numbering of the places they stand in, not of the rows they show.
    QCOMPARE(m_proxy->headerData(0, Qt::Vertical).toString(), QStringLiteral("r1"));
    QCOMPARE(m_proxy->headerData(4, Qt::Vertical).toString(), QStringLiteral("r5"));
    QCOMPARE(m_proxy->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Код"));
}

void TestTabuloSortFilterProxyModel::replacingTheFiltersRefilters()
{
    m_proxy->setColumnFilters({record(ColumnFilter::And, 1, ColumnFilter::Match, "1*")});
    QCOMPARE(shownIds(), (QStringList{"2", "4", "5"}));
    m_proxy->setColumnFilters({record(ColumnFilter::And, 1, ColumnFilter::Match, "9")});
    QCOMPARE(shownIds(), QStringList{"1"});
    m_source->item(0, 1)->setText("8");  // a source change is filtered too
    QCOMPARE(shownIds(), QStringList{});
    m_proxy->setColumnFilters({});
    QCOMPARE(m_proxy->rowCount(), Texts.size());
}

QTEST_GUILESS_MAIN(TestTabuloSortFilterProxyModel)
#include "tst_tabulosortfilterproxymodel.moc"
