// libFuzzer entry: a regulation definition, as built-in XML or as a user's compressed ".kur"
// file (the first byte chooses), read into the regulation model and every classification and
// step walked; a regulation that was read must read again from the document written for it.
#include "qa/RegulationSettings.h"
#include "tests/fuzz/FuzzSupport.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzSupport::quiet();
    if (size < 1)
        return 0;
    const bool compressed = data[0] & 1;
    RegulationSettings settings;
    settings.ReadSettingsFromData(QByteArray(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1)),
                                  compressed, compressed, QStringLiteral("fuzz"));
    for (int index = 0; index < settings.GetRegulationCount(); ++index) {
        RegulationInfo* regulation = settings.regulationAt(index);
        std::vector<int> ids;
        regulation->GetClassificationIds(ids);
        for (const int id : ids) {
            const ClassificationInfo* classification = regulation->GetClassificationById(id);
            std::vector<int> steps;
            classification->GetStepIds(steps);
            classification->GetAcceptanceTestIds(steps);
            for (int frequency = -1; frequency <= 8; ++frequency)
                classification->GetStepIds(steps, frequency, true);
            for (const int step : steps)
                classification->GetStepById(step);
        }
        RegulationSettings again;
        const QString content = settings.GetRegulationContent(index);
        if (!again.ReadSettingsFromData(content.toUtf8(), false, false, QStringLiteral("written")) ||
            again.GetRegulationCount() != 1 ||
            again.regulationAt(0)->classifications().size() != regulation->classifications().size())
            __builtin_trap();
    }
    return 0;
}
