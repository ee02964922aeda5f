#pragma once

#include "settings/KaldoConfigurationIterator.h"

#include <QDomDocument>
#include <QMutex>
#include <QString>

// An XML document read from a file or a string (regulation files, pipe messages,
// server replies, settings exports). A text that is not well-formed XML leaves the
// document closed (IsOpened false) with a logged line naming the place of the
// error; its elements then read as null iterators.
class KaldoConfiguration
{
public:
    using iterator = KaldoConfigurationIterator;

    KaldoConfiguration() = default;
    explicit KaldoConfiguration(const QString& fileName);
    KaldoConfiguration(const QString& directory, const QString& fileName);
    KaldoConfiguration(const QString& directory, const QString& fileName, bool create);

    // Opens directory + "/" + fileName (an empty directory means the default one).
    // With `create`, a missing file starts as an empty document with the root
    // element named after the file.
    bool Init(const QString& directory, const QString& fileName, bool create);
    bool SetContent(const QString& text);
    QString GetContent() const;
    bool CreateEmpty(const QString& rootName);
    // Writes the document to the file it was opened from, or to `path`.
    bool Save() const;
    bool SaveAs(const QString& path) const;

    iterator GetStartElement() const;
    iterator firstchild(const QString& name) const;
    bool IsOpened() const { return m_opened; }
    QString path() const { return m_path; }

    static void SetDefaultPath(const QString& directory);
    static QString DefaultPath();

private:
    bool parse(const QByteArray& text, const QString& origin);

    QDomDocument m_document;
    QString m_path;
    bool m_opened = false;
};
