#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

// Byte-level views of ICC data built from the published layouts, independent of
// the code under test: the header, the tag directory and the 'vcgt' tag.
class IccFileBytes
{
public:
    static void put16(QByteArray& out, unsigned value);
    static void put32(QByteArray& out, unsigned value);
    static unsigned get32(const QByteArray& data, qsizetype offset);

    // A table-form 'vcgt' tag; entries wider than entrySize bytes are cut to it.
    static QByteArray vcgtTable(const std::vector<std::vector<unsigned>>& channels, int entrySize,
                                unsigned reserved = 0);
    // A formula-form 'vcgt' tag from gamma, minimum, maximum of red, green and blue (16.16 raw values).
    static QByteArray vcgtFormula(const unsigned (&parameters)[9]);

    // The tag's bytes as the file's tag directory places them; empty when absent.
    static QByteArray tag(const QByteArray& profile, const char (&signature)[5]);
    static QByteArray readFile(const QString& path);
    static bool writeFile(const QString& path, const QByteArray& data);
};
