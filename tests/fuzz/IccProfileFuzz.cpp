// libFuzzer entry: a display profile file as found in the colour directory or named by the
// desktop, read for its video-card gamma table and colorant matrix, and written back with a
// table of its own.
#include "lut/IccVCGTTag.h"
#include "lut/KaldoDisplayProfile.h"
#include "tests/fuzz/FuzzSupport.h"

#include <QByteArray>
#include <QDir>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzSupport::quiet();
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    // The tag parser on its own sees every input, not only the ones the profile library accepts.
    IccVCGTTag tag;
    if (tag.Read(bytes)) {
        QString report;
        tag.Validate(report);
        tag.Describe(report);
        QByteArray written;
        tag.Write(written);
    }

    static KaldoDisplayProfile profile(
        QDir(FuzzSupport::scratchFolder()).filePath(QStringLiteral("fuzz.icc")), QString(), 1,
        QStringLiteral("fuzz"));
    if (!profile.LoadFromData(bytes))
        return 0;
    KaldoDisplayProfile::LutValues lut;
    if (profile.ReadLUT(lut)) {
        for (auto& channel : lut) {
            for (int& value : channel)
                value = 65535 - value;
        }
        profile.InsertLUT(lut);
    }
    KaldoDisplayProfile::ColorMatrix matrix{};
    KaldoDisplayProfile::FixedColorMatrix fixed{};
    profile.readColorMatrix(matrix);
    profile.readColorMatrix(fixed);
    return 0;
}
