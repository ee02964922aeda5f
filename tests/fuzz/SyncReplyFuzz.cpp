// libFuzzer entry: a management server's reply, in JSON (protocol 2) or as an XML document
// (protocol 1), read and applied to a real database by the synchroniser the first byte
// picks, as after a successful exchange; also the answer to the version query.
#include "db/DB.h"
#include "db/Schema.h"
#include "sync/DisplayHoursSynchronizeV2.h"
#include "sync/DisplayPreferencesSynchronizerV2.h"
#include "sync/DisplayStatusSynchronizerV2.h"
#include "sync/DisplaySynchronizerV2.h"
#include "sync/HistorySynchronizerv2.h"
#include "sync/LangListSynchronizer.h"
#include "sync/PreferenceSynchronizerV2.h"
#include "sync/QAStepsSynchronize.h"
#include "sync/QATasksSynchronizeV2.h"
#include "sync/QATasksTimeSynchronize.h"
#include "sync/RegulationListSynchronizer.h"
#include "sync/SettingsMapSynchronizer.h"
#include "sync/SynchronizeRequest.h"
#include "sync/UserServerTaskSynchronizerV2.h"
#include "tests/fuzz/FuzzSupport.h"

#include <QDir>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

namespace {

// Opens the step after a successful exchange to the fuzzer: the reply goes through the
// synchroniser's own reading and applying.
template <class Synchronizer> class Applier : public Synchronizer
{
public:
    void apply(const QString& reply, int version)
    {
        this->setVersion(version);
        QString text;
        if (this->processReply(reply, text) == BaseSynchronizer::STATUS_OK)
            this->write(this->GetReadData());
    }
};

template <class Synchronizer> void applyWith(const QString& reply, int version)
{
    Applier<Synchronizer> synchronizer;
    synchronizer.apply(reply, version);
}

using ApplyFunction = void (*)(const QString&, int);
constexpr ApplyFunction kSynchronizers[] = {
    applyWith<DisplaySynchronizerV2>,
    applyWith<SettingsMapSynchronizer>,
    applyWith<DisplayPreferencesSynchronizerV2>,
    applyWith<RegulationListSynchronizer>,
    applyWith<LangListSynchronizer>,
    applyWith<PreferenceSynchronizerV2>,
    applyWith<DisplayHoursSynchronizeV2>,
    applyWith<UserServerTaskSynchronizerV2>,
    applyWith<DisplayStatusSynchronizerV2>,
    applyWith<QATasksTimeSynchronize>,
    applyWith<QATasksSynchronizeV2>,
    applyWith<QAStepsSynchronize>,
    applyWith<HistorySynchronizerv2>,
};
constexpr size_t kSynchronizerCount = sizeof kSynchronizers / sizeof kSynchronizers[0];

bool openDatabase()
{
    DB::setPath(QDir(FuzzSupport::scratchFolder()).filePath(QStringLiteral("sync-db")));
    QDir().mkpath(DB::path());
    return Schema::checkAll(*DB::get());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzSupport::quiet();
    FuzzSupport::useSimulatedPlatform();
    static const bool database = openDatabase();
    if (!database || size < 1)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    SynchronizeRequest::parseVersion(bytes);
    const int version = (data[0] & 0x80) ? 1 : 2;
    kSynchronizers[(data[0] & 0x7f) % kSynchronizerCount](QString::fromUtf8(bytes), version);
    return 0;
}
