#include "TestSupport.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QPluginLoader>
#include <QProcess>
#include <QTest>

class tst_Deliverables : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void programDoesNotLinkThePlugin();
    void pluginNamesItsClass();
    void applicationFolderIsComplete();
};

void tst_Deliverables::programDoesNotLinkThePlugin() {
    QProcess readelf;
    readelf.start(QStringLiteral("readelf"),
                  {QStringLiteral("-d"), builtAppFolder() + "/Tarnwell"});
    QVERIFY(readelf.waitForFinished());
    const QString dynamic = QString::fromLatin1(readelf.readAllStandardOutput());
    QVERIFY2(dynamic.contains(QStringLiteral("libqmrplatform")), qPrintable(dynamic));
    QVERIFY2(!dynamic.contains(QStringLiteral("[club")), qPrintable(dynamic));
}

void tst_Deliverables::pluginNamesItsClass() {
    // The metadata alone tells which file provides the class; nothing has to be loaded.
    QPluginLoader loader(builtAppFolder() + "/club.so");
    const QJsonArray classes = loader.metaData()
                                   .value(QLatin1String("MetaData"))
                                   .toObject()
                                   .value(QLatin1String("classes"))
                                   .toArray();
    QCOMPARE(classes, QJsonArray{QStringLiteral("libClub")});
    QVERIFY(!loader.isLoaded());
}

void tst_Deliverables::applicationFolderIsComplete() {
    TempAppFolder app;
    QVERIFY(QFile::exists(builtAppFolder() + "/club/club.qmr"));
    auto club = app.newClub();
    QVERIFY(club);
    QVERIFY(club->strConnect().contains(QStringLiteral("Data Source=") + app.path()
                                        + QStringLiteral("/club/club.qmr;")));
    const RecordsetPtr states = club->LoadStates();
    QVERIFY(states && states->recordCount() >= 51);
    const RecordsetPtr provinces = club->LoadCanada();
    QVERIFY(provinces && provinces->recordCount() == 13);
}

QTEST_MAIN(tst_Deliverables)
#include "tst_deliverables.moc"
