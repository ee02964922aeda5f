#include "platform/sim/SimMatroxBoards.h"

#include "platform/sim/SimWorkstation.h"

#include <QJsonArray>
#include <QMutexLocker>

namespace {

// Error code of an escape the driver does not know.
constexpr int ESCAPE_NOT_SUPPORTED = -1;

void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

class SimMatroxOutput : public MatroxOutput
{
public:
    SimMatroxOutput(const SimMatroxBoards& boards, QString output, QJsonObject config)
        : m_boards(boards), m_output(std::move(output)), m_config(std::move(config))
    {
    }

    std::optional<int> boardPort(QString* failedQuery) override
    {
        if (m_config.isEmpty()) {
            setError(failedQuery, QStringLiteral("1 %1").arg(ESCAPE_NOT_SUPPORTED));
            return std::nullopt;
        }
        const int failing = m_config.value(QStringLiteral("failPortQuery")).toInt();
        if (failing == 1 || failing == 2) {
            setError(failedQuery, QStringLiteral("%1 %2").arg(failing).arg(ESCAPE_NOT_SUPPORTED));
            return std::nullopt;
        }
        const int port = m_config.value(QStringLiteral("port")).toInt(-1);
        return port >= 0 ? std::optional<int>(port) : std::nullopt;
    }
    int bitsPerChannel() override { return m_config.value(QStringLiteral("bitsPerChannel")).toInt(8); }
    bool uploadTable(int port, const SimMatroxBoards::Table& table) override
    {
        const size_t entries = bitsPerChannel() == 10 ? 1024 : 256;
        if (m_config.value(QStringLiteral("failUpload")).toBool() || port != boardPort(nullptr) ||
            table.size() != 3 || table[0].size() != entries || table[1].size() != entries ||
            table[2].size() != entries)
            return false;
        m_boards.storeOutputTable(m_output, table);
        return true;
    }

private:
    const SimMatroxBoards& m_boards;
    const QString m_output;
    const QJsonObject m_config;
};

class SimXeniaBoard : public XeniaBoard
{
public:
    SimXeniaBoard(const SimMatroxBoards& boards, int boardDisplay, QJsonObject config)
        : m_boards(boards), m_boardDisplay(boardDisplay), m_config(std::move(config))
    {
    }

    bool isXenia() override { return m_config.value(QStringLiteral("isXenia")).toBool(true); }
    int rampSize() override { return m_config.value(QStringLiteral("rampSize")).toInt(1024); }
    bool setRamp(const SimMatroxBoards::Table& ramp) override
    {
        if (m_config.value(QStringLiteral("failSetRamp")).toBool() || ramp.size() != 3)
            return false;
        for (const auto& channel : ramp) {
            if (static_cast<int>(channel.size()) != rampSize())
                return false;
        }
        return update([&](SimMatroxBoards::XeniaState& state) { state.ramp = ramp; });
    }
    bool enableRamp(bool enable) override
    {
        if (m_config.value(QStringLiteral("failEnable")).toBool())
            return false;
        return update([&](SimMatroxBoards::XeniaState& state) { state.rampEnabled = enable; });
    }
    int gridColumns() override { return m_config.value(QStringLiteral("grid")).toArray().at(0).toInt(4); }
    int gridRows() override { return m_config.value(QStringLiteral("grid")).toArray().at(1).toInt(3); }
    std::vector<double> uniformity() override { return m_boards.xenia(m_boardDisplay).uniformity; }
    bool setUniformity(const std::vector<double>& values) override
    {
        if (values.size() % 4 != 0)
            return false;
        return update([&](SimMatroxBoards::XeniaState& state) { state.uniformity = values; });
    }
    bool enableUniformity(bool enable) override
    {
        return update([&](SimMatroxBoards::XeniaState& state) { state.uniformityEnabled = enable; });
    }

private:
    template <typename Change> bool update(Change change)
    {
        SimMatroxBoards::XeniaState state = m_boards.xenia(m_boardDisplay);
        change(state);
        m_boards.storeXenia(m_boardDisplay, state);
        return true;
    }

    const SimMatroxBoards& m_boards;
    const int m_boardDisplay;
    const QJsonObject m_config;
};

} // namespace

SimMatroxBoards::SimMatroxBoards(const SimWorkstation& workstation) : m_workstation(workstation) {}

std::unique_ptr<MatroxOutput> SimMatroxBoards::openOutput(const QString& output, QString* error) const
{
    const std::optional<SimDisplay> display = m_workstation.display(output);
    if (!display || !display->connected) {
        setError(error, QStringLiteral("no connected output %1").arg(output));
        return nullptr;
    }
    return std::make_unique<SimMatroxOutput>(*this, output,
                                             display->config.value(QStringLiteral("matrox")).toObject());
}

std::unique_ptr<XeniaBoard> SimMatroxBoards::openXenia(int boardDisplayId, QString* error) const
{
    for (const SimDisplay& display : m_workstation.displays()) {
        const QJsonObject xenia = display.config.value(QStringLiteral("xenia")).toObject();
        if (display.connected && !xenia.isEmpty() &&
            xenia.value(QStringLiteral("boardDisplay")).toInt(-1) == boardDisplayId)
            return std::make_unique<SimXeniaBoard>(*this, boardDisplayId, xenia);
    }
    setError(error, QStringLiteral("no Xenia board drives board display %1").arg(boardDisplayId));
    return nullptr;
}

SimMatroxBoards::Table SimMatroxBoards::outputTable(const QString& output) const
{
    QMutexLocker lock(&m_mutex);
    return m_outputTables.value(output);
}

SimMatroxBoards::Table SimMatroxBoards::xeniaRamp(int boardDisplayId) const
{
    return xenia(boardDisplayId).ramp;
}

bool SimMatroxBoards::xeniaRampEnabled(int boardDisplayId) const
{
    return xenia(boardDisplayId).rampEnabled;
}

std::vector<double> SimMatroxBoards::xeniaUniformity(int boardDisplayId) const
{
    return xenia(boardDisplayId).uniformity;
}

bool SimMatroxBoards::xeniaUniformityEnabled(int boardDisplayId) const
{
    return xenia(boardDisplayId).uniformityEnabled;
}

void SimMatroxBoards::storeOutputTable(const QString& output, const Table& table) const
{
    QMutexLocker lock(&m_mutex);
    m_outputTables.insert(output, table);
}

SimMatroxBoards::XeniaState SimMatroxBoards::xenia(int boardDisplayId) const
{
    QMutexLocker lock(&m_mutex);
    return m_xenia.value(boardDisplayId);
}

void SimMatroxBoards::storeXenia(int boardDisplayId, const XeniaState& state) const
{
    QMutexLocker lock(&m_mutex);
    m_xenia.insert(boardDisplayId, state);
}
