#include "lut/ctl/LutCommand.h"

#include "app/KaldoSharedMemory.h"
#include "app/LockKeys.h"
#include "app/ctl/CtlContext.h"
#include "app/ctl/CtlDisplays.h"
#include "color/GammaCurve.h"
#include "db/DB.h"
#include "db/DBDisplayCurrentLUT.h"
#include "db/DBDisplays.h"
#include "db/DBUtils.h"
#include "db/KaldoDynamicData.h"
#include "displays/BaseDisplay.h"
#include "displays/CurrentDisplays.h"
#include "lut/DisplayList.h"
#include "lut/KaldoDisplayProfile.h"
#include "lut/LUT.h"
#include "lut/LUTLoadingThread.h"
#include "lut/StoredTableCheck.h"
#include "lut/ctl/GammaRampText.h"
#include "platform/OSProfile.h"
#include "settings/DataDirectory.h"

#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QStringList>

#include <cmath>
#include <optional>

namespace {

// How often the busy lock is tried (100 ms apart) before the tool gives up on a busy agent.
constexpr int LOCK_RETRIES = 30;

constexpr int kVideoCardMaxValue = 65535;
// Three lines of 65536 five-digit values fill under 2 MiB; anything longer is not a table.
constexpr qint64 kMaxTableText = 4 << 20;

struct LoadOutcome
{
    int starts = 0;
    int progress = 0;
    int finishes = 0;
    bool failed = false;
    bool ended = false;
    bool calibrated = false;
    QString reason;
};

QJsonArray toJson(const luts_t& table)
{
    QJsonArray channels;
    for (const auto& channel : table) {
        QJsonArray values;
        for (const int value : channel)
            values.append(value);
        channels.append(values);
    }
    return channels;
}

QString channelLine(const QString& label, const std::vector<int>& channel)
{
    QStringList values;
    for (const int value : channel)
        values << QString::number(value);
    return label + QStringLiteral(": ") + values.join(QLatin1Char(' '));
}

QString shape(const luts_t& table)
{
    return table.empty() ? QStringLiteral("empty")
                         : QStringLiteral("%1 x %2").arg(table.size()).arg(table.front().size());
}

void appendTable(QStringList& lines, const QString& label, const luts_t& table)
{
    for (size_t c = 0; c < table.size(); ++c)
        lines << channelLine(QStringLiteral("%1 %2").arg(label).arg(c), table[c]);
}

luts_t storedTable(int id)
{
    luts_t table;
    for (const auto& channel : DBDisplayCurrentLUT().readEntryByDisplayId(id))
        table.emplace_back(channel.begin(), channel.end());
    return table;
}

bool openDatabase(const CtlContext& context, int* exitCode)
{
    DB::setPath(DataDirectory::path());
    // SQLite opens any file; a damaged one shows only when it is read.
    if (DB::get()->IsOpened() &&
        !DB::get()->query(QStringLiteral("SELECT count(*) FROM sqlite_master")).IsNull())
        return true;
    *exitCode = context.fail(QStringLiteral("cannot open %1").arg(DB::get()->filePath()));
    return false;
}

// Registers the attached displays as the agent does, so ids mean the same in both.
bool isAttached(int id)
{
    CtlDisplays::registerAttached();
    return CurrentDisplays::IsDisplayConnected(id);
}

LoadOutcome runThread(int id, bool load)
{
    LoadOutcome outcome;
    LUTLoadingThread thread;
    QEventLoop loop;
    QObject::connect(&thread, &LUTLoadingThread::signalStartLUTUpload, &loop, [&] { ++outcome.starts; });
    QObject::connect(&thread, &LUTLoadingThread::signalLUTUploadProgress, &loop, [&] { ++outcome.progress; });
    QObject::connect(&thread, &LUTLoadingThread::signalFinishLUTUpload, &loop, [&] { ++outcome.finishes; });
    QObject::connect(&thread, &LUTLoadingThread::signalFailLUTUpload, &loop, [&] { outcome.failed = true; });
    QObject::connect(&thread, &LUTLoadingThread::signalLutThreadFinished, &loop, [&] {
        outcome.ended = true;
        loop.quit();
    });
    // Should the thread ever end without its signal, the tool still returns.
    QObject::connect(&thread, &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    if (!thread.start(id, load))
        return outcome;
    loop.exec();
    thread.wait();
    // Read before the thread goes: its end clears the display list.
    outcome.calibrated = DisplayList::instance().isDisplayCalibrated(id);
    outcome.reason = thread.lastFailure();
    return outcome;
}

int loadOrUnload(const CtlContext& context, int id, bool load)
{
    const QString action = load ? QStringLiteral("load") : QStringLiteral("unload");
    if (!LUTLoadingThread::isLUTAvailable(id, load))
        return context.fail(QStringLiteral("display %1 has no stored LUT").arg(id));
    KaldoSharedMemory lock(SHARED_MEMORY_KEY_LUT, "lutloaderctl", LOCK_RETRIES);
    if (!lock.Lock())
        return context.fail(QStringLiteral("busy lock \"%1\" is held by process %2; try again later")
                                .arg(QLatin1String(SHARED_MEMORY_KEY_LUT))
                                .arg(lock.holderProcessId()));
    const LoadOutcome outcome = runThread(id, load);
    const bool calibrated = outcome.calibrated;
    lock.Unlock();

    const bool ok = outcome.ended && !outcome.failed && calibrated == load;
    const QJsonObject result{{QStringLiteral("ok"), ok},
                             {QStringLiteral("id"), id},
                             {QStringLiteral("action"), action},
                             {QStringLiteral("calibrated"), calibrated},
                             {QStringLiteral("failed"), outcome.failed},
                             {QStringLiteral("finished"), outcome.ended},
                             {QStringLiteral("upload_starts"), outcome.starts},
                             {QStringLiteral("upload_progress"), outcome.progress}};
    QString text = QStringLiteral("display %1: %2").arg(id).arg(action);
    if (ok)
        text += load ? QStringLiteral("ed, calibrated") : QStringLiteral("ed, not calibrated");
    else
        text += outcome.failed ? QStringLiteral(" failed") : QStringLiteral(" did not take effect");
    if (!ok && !outcome.reason.isEmpty())
        text += QStringLiteral(": ") + outcome.reason;
    QJsonObject answer = result;
    if (!outcome.reason.isEmpty())
        answer.insert(QStringLiteral("reason"), outcome.reason);
    const int exitCode = context.answer(answer, text);
    return ok ? exitCode : 1;
}

int show(const CtlContext& context, int id)
{
    DBDisplayCurrentLUT stored;
    const int lutType = stored.lutType(id);
    const luts_t storedLut = storedTable(id);
    QJsonObject result{{QStringLiteral("ok"), true},
                       {QStringLiteral("id"), id},
                       {QStringLiteral("output"), CurrentDisplays::DisplayById(id).deviceName()},
                       {QStringLiteral("luttype"), lutType},
                       {QStringLiteral("uniformity"), stored.uniformityId(id)},
                       {QStringLiteral("stored"), toJson(storedLut)}};
    QStringList lines{QStringLiteral("display %1 on %2: LUT type %3, stored %4")
                          .arg(id)
                          .arg(result.value(QStringLiteral("output")).toString())
                          .arg(lutType)
                          .arg(shape(storedLut))};
    appendTable(lines, QStringLiteral("stored"), storedLut);

    DisplayList& list = DisplayList::instance();
    list.updateDisplayIfNeeded(id, lutType >= DISPIFACE_NONE && lutType <= DISPIFACE_POWER
                                       ? static_cast<displayiface_t>(lutType)
                                       : DISPIFACE_NONE);
    const std::shared_ptr<BaseDisplay> display = list.GetDisplayInstanceById(id);
    LUT* lut = display ? display->attachedLUT() : nullptr;
    luts_t held;
    const bool read = lut && lut->DownloadLUT(held);
    result.insert(QStringLiteral("lut"), lut ? LUT::classLabel(*lut) : QString());
    result.insert(QStringLiteral("held"), read ? toJson(held) : QJsonArray());
    result.insert(QStringLiteral("held_same_as_stored"), read && LUT::isLutsSame(held, storedLut));
    if (!lut)
        lines << QStringLiteral("no LUT object for the display");
    else if (!read)
        lines << QStringLiteral("%1: the display's table cannot be read").arg(LUT::classLabel(*lut));
    else {
        lines << QStringLiteral("%1 holds %2%3")
                     .arg(LUT::classLabel(*lut), shape(held),
                          LUT::isLutsSame(held, storedLut) ? QStringLiteral(", same as stored") : QString());
        appendTable(lines, QStringLiteral("held"), held);
    }

    const QString profilePath =
        OSProfile::currentDisplayProfile(CurrentDisplays::DisplayById(id).deviceName());
    KaldoDisplayProfile::LutValues vcgt;
    if (!profilePath.isEmpty())
        KaldoDisplayProfile(profilePath, QString(), id, QString()).ReadLUT(vcgt);
    result.insert(QStringLiteral("profile"), profilePath);
    result.insert(QStringLiteral("profile_vcgt"), toJson(vcgt));
    lines << (profilePath.isEmpty() ? QStringLiteral("profile: the system's standard profile")
                                    : QStringLiteral("profile %1: vcgt %2").arg(profilePath, shape(vcgt)));
    list.clearDisplays();
    return context.answer(result, lines.join(QLatin1Char('\n')));
}

// The video card's LUT type in the current-LUT table.
constexpr int VIDEO_CARD_LUT_TYPE = 2;

// A 256-entry table of 16-bit values on the power curve of `exponent`, the same on all three channels.
DBDisplayCurrentLUT::Channels powerCurve(double exponent)
{
    GammaCurve curve(exponent);
    curve.SetMinMaxLuminance(0.0, 65535.0);
    std::vector<int> channel(256);
    for (int level = 0; level < 256; ++level)
        channel[static_cast<std::size_t>(level)] = static_cast<int>(std::lround(curve.GetTarget(level, 255)));
    return {channel, channel, channel};
}

// The table to store: a power curve (--gamma G), or three lines of 16-bit values from a file or
// standard input, in the form that `gamma get` prints.
std::optional<DBDisplayCurrentLUT::Channels> tableToStore(const QString& source, const QString& value,
                                                          QString* error)
{
    if (source == QLatin1String("--gamma")) {
        bool number = false;
        const double exponent = value.toDouble(&number);
        if (!number || !std::isfinite(exponent) || exponent <= 0.0 || exponent > 10.0) {
            *error = QStringLiteral("--gamma takes an exponent above 0 and up to 10");
            return std::nullopt;
        }
        return powerCurve(exponent);
    }
    QFile file(source);
    const bool opened =
        source == QLatin1String("-") ? file.open(stdin, QIODevice::ReadOnly) : file.open(QIODevice::ReadOnly);
    if (!opened) {
        *error = QStringLiteral("cannot read %1").arg(source);
        return std::nullopt;
    }
    // Read with a bound, so a device that never ends (/dev/zero) cannot take all memory.
    const QByteArray text = file.read(kMaxTableText + 1);
    if (text.size() > kMaxTableText) {
        *error = QStringLiteral("%1 is larger than %2 bytes; not a LUT table").arg(source).arg(kMaxTableText);
        return std::nullopt;
    }
    const std::optional<GammaRamp> ramp = GammaRampText::parse(text, error);
    if (!ramp)
        return std::nullopt;
    DBDisplayCurrentLUT::Channels channels;
    for (const auto& channel : *ramp)
        channels.emplace_back(channel.begin(), channel.end());
    return channels;
}

// Stores a new calibration table for the display and marks it for loading, so the agent brings
// it into effect at its next start or reload (or at once with `lut load`).
int store(const CtlContext& context, int id, const QString& source, const QString& value)
{
    QString error;
    const std::optional<DBDisplayCurrentLUT::Channels> channels = tableToStore(source, value, &error);
    if (!channels)
        return context.fail(error, 2);
    // What the loader would refuse is not stored either.
    if (!StoredTableCheck::checkChannels(*channels, kVideoCardMaxValue, &error))
        return context.fail(QStringLiteral("display %1: the table is refused: %2").arg(id).arg(error), 2);
    const std::size_t entries = channels->front().size();
    const int lutId = DBDisplayCurrentLUT().storeLUT(id, VIDEO_CARD_LUT_TYPE, 0, *channels);
    if (lutId < 0)
        return context.fail(QStringLiteral("display %1: the table could not be stored").arg(id));
    DBDisplays displays;
    displays.setDisplayInfo(id, QStringLiteral("lutupload"), QStringLiteral("true"), false);
    // The table is for the physical display attached under this id now, not for the id.
    displays.addCalibrationHash(id);
    const QJsonObject result{{QStringLiteral("ok"), true},
                             {QStringLiteral("display"), id},
                             {QStringLiteral("currentlutid"), lutId},
                             {QStringLiteral("entries"), static_cast<int>(entries)}};
    return context.answer(
        result,
        QStringLiteral("display %1: stored a 3 x %2 table (current LUT %3)").arg(id).arg(entries).arg(lutId));
}

} // namespace

QString LutCommand::usage() const
{
    return QStringLiteral(
        "lut load|unload|show DISPLAYID   (load or unload the stored LUT as the tray does, "
        "or show it beside what the display holds)\n"
        "  lut store DISPLAYID FILE|-|--gamma G   (store a new table: three lines of 16-bit "
        "values as `gamma get` prints, or a power curve)");
}

int LutCommand::run(const CtlContext& context) const
{
    const QStringList& args = context.arguments();
    bool number = false;
    const int id = args.value(1).toInt(&number);
    const QString action = args.value(0);
    const bool storing = action == QLatin1String("store");
    const bool known = storing || action == QLatin1String("load") || action == QLatin1String("unload") ||
                       action == QLatin1String("show");
    const bool rightCount = storing ? (args.size() == 3 && args.value(2) != QLatin1String("--gamma")) ||
                                          (args.size() == 4 && args.value(2) == QLatin1String("--gamma"))
                                    : args.size() == 2;
    if (!rightCount || !number || !known)
        return context.fail(QStringLiteral("usage: ") + usage(), 2);
    int exitCode = 0;
    if (!openDatabase(context, &exitCode))
        return exitCode;
    if (!isAttached(id))
        return context.fail(QStringLiteral("display %1 is not attached").arg(id));
    if (storing)
        return store(context, id, args.value(2), args.value(3));
    if (action == QLatin1String("show"))
        return show(context, id);
    return loadOrUnload(context, id, action == QLatin1String("load"));
}
