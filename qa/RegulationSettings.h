#pragma once

#include "qa/RegulationInfo.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>
#include <vector>

class KaldoConfiguration;
class KaldoConfigurationIterator;

// Every regulation the program knows, built-in and user-defined, read from their
// XML documents and written back in the same form. One object per process.
class RegulationSettings
{
public:
    RegulationSettings() = default;
    ~RegulationSettings();
    RegulationSettings(const RegulationSettings&) = delete;
    RegulationSettings& operator=(const RegulationSettings&) = delete;

    static RegulationSettings* instance();

    // `compressed`: the file holds the qCompress form (4-byte big-endian length, zlib) of UTF-8 XML.
    bool ReadSettingsFromFile(const QString& path, bool compressed);
    bool ParseRegulationContent(const KaldoConfiguration& document, bool isUser);
    // Parses a document from memory; what ReadSettingsFromFile does after reading.
    bool ReadSettingsFromData(const QByteArray& data, bool compressed, bool isUser, const QString& origin);
    void ReadSettings();
    void SetRegulationDirName(const QString& name) { m_dirName = name; }
    void ClearRegulations();

    RegulationInfo* GetRegulationById(const QString& idName) const;
    void GetRegulationIds(QStringList& ids) const;
    void GetUserRegulationIds(QStringList& ids) const;
    QString RegulationName(const QString& idName) const;
    int GetRegulationCount() const { return static_cast<int>(m_regulations.size()); }
    RegulationInfo* regulationAt(int index) const;
    int indexOf(const QString& idName) const;
    bool isUserRegulation(const QString& idName) const;

    QString GetRegulationContent(int index) const;
    bool WriteSettingsToFile(const QString& path, int index, bool compressed) const;
    static bool SaveFile(const QString& path, const QString& text, bool compressed);
    // The bytes SaveFile writes.
    static QByteArray encode(const QString& text, bool compressed);
    void CreateTranslateData(const QString& path) const;

    // Why the last read or parse failed; empty after a success.
    QString lastError() const { return m_lastError; }
    const QStringList& translationList() const { return m_translations; }
    // Counts every regulation added and every clearing, so that what was planned from the
    // regulations can tell whether they are still the same.
    quint64 generation() const { return m_generation.load(); }

private:
    bool fail(const QString& message);
    bool readClassifications(const KaldoConfigurationIterator& regulation, RegulationInfo& info);
    bool readSteps(const KaldoConfigurationIterator& list, RegulationInfo& info, bool initial);
    StepInfo readStep(const KaldoConfigurationIterator& element, bool initial);

    std::vector<std::unique_ptr<RegulationInfo>> m_regulations;
    QList<RegulationInfo*> m_userRegulations;
    QString m_dirName;
    QStringList m_translations;
    QString m_lastError;
    std::atomic<quint64> m_generation{0};
};
