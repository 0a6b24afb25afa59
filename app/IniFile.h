#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <optional>

// An INI file in the syntax Qt's QSettings writes (earlier versions kept the store with it),
// with every value read and written as plain text: no lists on commas and no typed values
// ("@ByteArray(...)", "@Variant(...)" are the text they show). Texts are escaped exactly as
// QSettings escapes a string, so either can read what the other wrote. Keys and sections this
// program does not know are kept when the file is written again.
class IniFile
{
public:
    static IniFile parse(QByteArrayView data);
    QByteArray toBytes() const;

    // The text stored under section and key (the last one when a key is repeated).
    std::optional<QString> value(const QString &section, const QString &key) const;
    void setValue(const QString &section, const QString &key, const QString &text);

    // One value as it stands right of the '=', and the text it holds; and back.
    static QString decodeValue(QByteArrayView raw);
    static QByteArray encodeValue(const QString &text);

private:
    struct Entry
    {
        QString key;
        QByteArray rawKey, rawValue;
    };
    struct Section
    {
        QString name; // empty for keys before any section header
        QByteArray rawName;
        QList<Entry> entries;
    };
    QList<Section> sections_;
};
