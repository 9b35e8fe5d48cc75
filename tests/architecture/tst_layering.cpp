// SPDX-License-Identifier: GPL-3.0-or-later
// The layers of the program, checked on its sources: a file may include the headers of its own layer and of the
// layers below it, and of the Qt modules its layer links. The build already refuses most wrong includes (each layer
// sees only the include roots below it); this catches what the build cannot see, such as <QtWidgets/QWidget> in the
// core, whose module headers share one include folder with Qt Core's.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

struct Layer {
    QStringList below;     // the layers it may use, itself included
    QStringList qtModules; // the Qt modules it may use
};

// The layers as src/layers.txt gives them, the layers each builds on followed down to the bottom.
const QHash<QString, Layer> &layers()
{
    static const QHash<QString, Layer> all = [] {
        QHash<QString, QStringList> uses;
        QHash<QString, Layer> l;
        QFile table(QString::fromUtf8(VECARDIA_SOURCES) + u"/layers.txt"_s);
        if (!table.open(QIODevice::ReadOnly))
            return l;
        static const QRegularExpression entry(u"^([a-z]+):([^|]*)\\|(.*)$"_s);
        for (const QString &line : QString::fromUtf8(table.readAll()).split(u'\n')) {
            const QRegularExpressionMatch m = entry.match(line);
            if (!m.hasMatch())
                continue;
            uses.insert(m.captured(1), m.captured(2).split(u' ', Qt::SkipEmptyParts));
            QStringList modules;
            for (const QString &module : m.captured(3).split(u' ', Qt::SkipEmptyParts))
                modules << u"Qt"_s + module;
            l.insert(m.captured(1), {{m.captured(1)}, modules});
        }
        for (auto it = l.begin(); it != l.end(); ++it) {
            for (QStringList next = uses.value(it.key()); !next.isEmpty();) {
                const QString layer = next.takeFirst();
                if (!it->below.contains(layer)) {
                    it->below << layer;
                    next << uses.value(layer);
                }
            }
        }
        return l;
    }();
    return all;
}

// The Qt module a header belongs to ("<QString>" → QtCore, "<QtWidgets/QWidget>" → QtWidgets), or nothing for a
// header that is not Qt's.
QString qtModuleOf(const QString &header)
{
    static const QStringList modules = {u"QtCore"_s, u"QtGui"_s,          u"QtWidgets"_s,    u"QtNetwork"_s,
                                        u"QtDBus"_s, u"QtTest"_s,         u"QtConcurrent"_s, u"QtSql"_s,
                                        u"QtXml"_s,  u"QtPrintSupport"_s, u"QtOpenGL"_s};
    const QString root = QString::fromUtf8(VECARDIA_QT_HEADERS);
    if (const qsizetype slash = header.indexOf(u'/'); slash > 0) {
        const QString module = header.left(slash);
        return modules.contains(module) ? module : QString();
    }
    for (const QString &module : modules) {
        if (QFile::exists(root + u'/' + module + u'/' + header))
            return module;
    }
    return {};
}

} // namespace

class TestLayering : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void qtHeadersAreFound()
    {
        // The check below is only as good as its knowledge of Qt's headers.
        QCOMPARE(qtModuleOf(u"QString"_s), u"QtCore"_s);
        QCOMPARE(qtModuleOf(u"QImage"_s), u"QtGui"_s);
        QCOMPARE(qtModuleOf(u"QWidget"_s), u"QtWidgets"_s);
        QCOMPARE(qtModuleOf(u"QtWidgets/QWidget"_s), u"QtWidgets"_s);
        QCOMPARE(qtModuleOf(u"vector"_s), QString());
    }

    void everyFolderIsALayer()
    {
        QVERIFY2(layers().value(u"app"_s).below.contains(u"encoding"_s), "src/layers.txt is read");
        const QStringList folders =
            QDir(QString::fromUtf8(VECARDIA_SOURCES)).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
        for (const QString &folder : folders)
            QVERIFY2(layers().contains(folder), qPrintable(u"src/%1 is no known layer"_s.arg(folder)));
    }

    void includesStayInTheirLayer_data()
    {
        QTest::addColumn<QString>("file");
        const QDir src(QString::fromUtf8(VECARDIA_SOURCES));
        QDirIterator it(src.path(), {u"*.h"_s, u"*.cpp"_s}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = src.relativeFilePath(it.next());
            QTest::newRow(qPrintable(path)) << path;
        }
    }
    void includesStayInTheirLayer()
    {
        QFETCH(QString, file);
        const QString layer = file.section(u'/', 0, 0);
        QVERIFY2(layers().contains(layer), qPrintable(file));
        const Layer &allowed = layers()[layer];
        QFile source(QString::fromUtf8(VECARDIA_SOURCES) + u'/' + file);
        QVERIFY(source.open(QIODevice::ReadOnly));
        static const QRegularExpression include(u"^\\s*#\\s*include\\s*([<\"])([^>\"]+)[>\"]"_s,
                                                QRegularExpression::MultilineOption);
        const QString text = QString::fromUtf8(source.readAll());
        for (auto match = include.globalMatch(text); match.hasNext();) {
            const QRegularExpressionMatch m = match.next();
            const QString header = m.captured(2);
            QVERIFY2(!header.contains(u".."_s), qPrintable(u"%1 reaches out with %2"_s.arg(file, header)));
            if (m.captured(1) == u"\"" && header.endsWith(u".moc"))
                continue; // what moc made of this very file
            if (m.captured(1) == u"\"") {
                const QString target = header.section(u'/', 0, 0);
                QVERIFY2(header.contains(u'/') && allowed.below.contains(target),
                         qPrintable(u"%1 (layer %2) includes \"%3\""_s.arg(file, layer, header)));
            } else if (const QString module = qtModuleOf(header); !module.isEmpty()) {
                QVERIFY2(allowed.qtModules.contains(module),
                         qPrintable(u"%1 (layer %2) includes <%3> of %4"_s.arg(file, layer, header, module)));
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestLayering)
#include "tst_layering.moc"
