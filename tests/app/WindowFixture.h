#pragma once

#include "AGauge.h"
#include "FakeDialogs.h"
#include "frmBrisko.h"
#include "IniFile.h"
#include "SettingsStore.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

#include <map>
#include <memory>

// A real main window on a scratch settings store (never the user's own) and scripted dialogs.
class WindowFixture
{
public:
    WindowFixture()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(storeDir.path()));
        if (!storeFile().startsWith(storeDir.path() + '/'))
            qFatal("the settings store is not redirected: %s", qPrintable(storeFile()));
    }

    static QString storeFile() { return SettingsStore::userFileName(); }
    void clearStore() { QDir(storeDir.path() + "/Brisko").removeRecursively(); }

    // No window, an empty store and dialogs that remember nothing: the start of every test.
    void reset()
    {
        window.reset();
        clearStore();
        dialogs = FakeDialogs();
    }

    void writeStore(const std::map<QString, QString> &values)
    {
        SettingsStore s;
        for (const auto &[key, value] : values)
            s.WriteSetting(key, value);
        QVERIFY2(s.commit(), qPrintable(s.errorString()));
    }

    // The stored text, or an invalid QVariant when the key is not stored.
    QVariant stored(const QString &key)
    {
        QFile file(storeFile());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        const auto text = IniFile::parse(file.readAll()).value("Settings", key);
        return text ? QVariant(*text) : QVariant();
    }

    frmBrisko &start()
    {
        window = std::make_unique<frmBrisko>(dialogs);
        window->Form_Load();
        window->show();
        return *window;
    }

    template <class T = QLineEdit> T *child(const char *name)
    {
        auto *w = window->findChild<T *>(QString::fromLatin1(name));
        if (!w)
            qFatal("no child %s", name);
        return w;
    }
    AGauge *gauge() { return child<AGauge>("AGauge"); }
    QString text(const char *name) { return child(name)->text(); }

    double needle(int slot)
    {
        gauge()->setNeedleIndex(slot);
        return gauge()->needleValue();
    }
    void setNeedle(int slot, double value)
    {
        gauge()->setNeedleIndex(slot);
        gauge()->setNeedleValue(value);
    }
    QString caption(int slot)
    {
        gauge()->setCaptionIndex(slot);
        return gauge()->caption();
    }
    void setCaption(int slot, const QString &text)
    {
        gauge()->setCaptionIndex(slot);
        gauge()->setCaption(text);
    }
    std::pair<double, double> scale(int slot)
    {
        gauge()->setScaleIndex(slot);
        return {gauge()->scaleMin(), gauge()->scaleMax()};
    }
    int decimals(int slot)
    {
        gauge()->setNeedleIndex(slot);
        return gauge()->valueDecimals();
    }
    // A pick from a combo box's list, as the user makes it.
    void pick(const char *combo, const QString &entry)
    {
        auto *box = child<QComboBox>(combo);
        const int index = box->findText(entry);
        QVERIFY(index >= 0);
        box->setCurrentIndex(index);
        emit box->activated(index);
    }

    QTemporaryDir storeDir;
    FakeDialogs dialogs;
    std::unique_ptr<frmBrisko> window;
};
