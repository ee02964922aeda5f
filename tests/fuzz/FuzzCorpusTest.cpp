// Every seed and every input that once made a fuzz program fail, run once through its
// fuzz entry in the regular sanitizer build: a crash, a sanitizer report or a broken
// invariant (a trap in the entry) ends the test program.
#include <QDir>
#include <QFile>
#include <QSet>

#include <cstddef>
#include <cstdint>
#include <gtest/gtest.h>
#include <string>

#define LUTLOADER_FUZZ_ENTRIES(X)                                                                            \
    X(edid_parser)                                                                                           \
    X(capability_string)                                                                                     \
    X(ddc_reply)                                                                                             \
    X(icc_profile)                                                                                           \
    X(pipe_message)                                                                                          \
    X(task_list)                                                                                             \
    X(regulation)                                                                                            \
    X(product_ini)                                                                                           \
    X(settings_file)                                                                                         \
    X(sync_reply)                                                                                            \
    X(update_reply)                                                                                          \
    X(sim_workstation)                                                                                       \
    X(hid_sensor_reply)

#define LUTLOADER_DECLARE(name) extern "C" int fuzz_##name(const uint8_t* data, size_t size);
LUTLOADER_FUZZ_ENTRIES(LUTLOADER_DECLARE)

namespace {

struct FuzzEntry
{
    const char* name;
    int (*run)(const uint8_t*, size_t);
};

#define LUTLOADER_ENTRY(name) FuzzEntry{#name, fuzz_##name},
const FuzzEntry kEntries[] = {LUTLOADER_FUZZ_ENTRIES(LUTLOADER_ENTRY)};

QDir corpus()
{
    return QDir(QStringLiteral(LUTLOADER_FUZZ_CORPUS));
}

class FuzzCorpus : public ::testing::TestWithParam<FuzzEntry>
{
};

TEST_P(FuzzCorpus, EveryInputRunsThroughItsEntry)
{
    const QDir folder(corpus().filePath(QString::fromLatin1(GetParam().name)));
    const QStringList inputs = folder.entryList(QDir::Files | QDir::Hidden, QDir::Name);
    // A target without seeds would only ever be fuzzed from nothing.
    ASSERT_FALSE(inputs.isEmpty()) << "no seeds in " << folder.path().toStdString();
    for (const QString& input : inputs) {
        SCOPED_TRACE(input.toStdString());
        QFile file(folder.filePath(input));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        EXPECT_EQ(GetParam().run(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())),
                  0);
    }
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzCorpus, ::testing::ValuesIn(kEntries),
                         [](const ::testing::TestParamInfo<FuzzEntry>& info) {
                             return std::string(info.param.name);
                         });

TEST(FuzzCorpusLayout, EveryCorpusFolderBelongsToATarget)
{
    QSet<QString> names;
    for (const FuzzEntry& entry : kEntries)
        names.insert(QString::fromLatin1(entry.name));
    for (const QString& folder : corpus().entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        EXPECT_TRUE(names.contains(folder)) << folder.toStdString() << " has no fuzz entry";
}

} // namespace
