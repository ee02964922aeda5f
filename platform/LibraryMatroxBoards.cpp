#include "platform/LibraryMatroxBoards.h"

#include <QDebug>
#include <QMutexLocker>

namespace {

// The control library's C interface: 0 is success, anything else the driver's error code.
using OpenOutputFn = int (*)(const char* output, void** handle);
using CloseFn = void (*)(void* handle);
using QueryPortFn = int (*)(void* handle, int query, int* port);
using BitsPerChannelFn = int (*)(void* handle);
using UploadTableFn = int (*)(void* handle, int port, int entries, const unsigned short* red,
                              const unsigned short* green, const unsigned short* blue);
using OpenXeniaFn = int (*)(int boardDisplay, void** handle);
using IntQueryFn = int (*)(void* handle);
using SetRampFn = int (*)(void* handle, int entries, const unsigned short* red, const unsigned short* green,
                          const unsigned short* blue);
using EnableFn = int (*)(void* handle, int enable);
using GetUniformityFn = int (*)(void* handle, double* values, int capacity);
using SetUniformityFn = int (*)(void* handle, const double* values, int count);

void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

class LibraryMatroxOutput : public MatroxOutput
{
public:
    struct Api
    {
        CloseFn close;
        QueryPortFn queryPort;
        BitsPerChannelFn bitsPerChannel;
        UploadTableFn upload;
    };
    LibraryMatroxOutput(const Api& api, void* handle) : m_api(api), m_handle(handle) {}
    ~LibraryMatroxOutput() override { m_api.close(m_handle); }
    LibraryMatroxOutput(const LibraryMatroxOutput&) = delete;
    LibraryMatroxOutput& operator=(const LibraryMatroxOutput&) = delete;

    // The driver answers the port in two steps: whether the output is on a board at all,
    // then which port.
    std::optional<int> boardPort(QString* failedQuery) override
    {
        int port = -1;
        for (int query = 1; query <= 2; ++query) {
            const int code = m_api.queryPort(m_handle, query, &port);
            if (code != 0) {
                setError(failedQuery, QStringLiteral("%1 %2").arg(query).arg(code));
                return std::nullopt;
            }
        }
        return port >= 0 ? std::optional<int>(port) : std::nullopt;
    }
    int bitsPerChannel() override { return m_api.bitsPerChannel(m_handle); }
    bool uploadTable(int port, const std::vector<std::vector<std::uint16_t>>& table) override
    {
        return table.size() == 3 && m_api.upload(m_handle, port, static_cast<int>(table[0].size()),
                                                 table[0].data(), table[1].data(), table[2].data()) == 0;
    }

private:
    Api m_api;
    void* m_handle;
};

class LibraryXeniaBoard : public XeniaBoard
{
public:
    struct Api
    {
        CloseFn close;
        IntQueryFn isXenia;
        IntQueryFn rampSize;
        SetRampFn setRamp;
        EnableFn enableRamp;
        IntQueryFn gridColumns;
        IntQueryFn gridRows;
        GetUniformityFn getUniformity;
        SetUniformityFn setUniformity;
        EnableFn enableUniformity;
    };
    LibraryXeniaBoard(const Api& api, void* handle) : m_api(api), m_handle(handle) {}
    ~LibraryXeniaBoard() override { m_api.close(m_handle); }
    LibraryXeniaBoard(const LibraryXeniaBoard&) = delete;
    LibraryXeniaBoard& operator=(const LibraryXeniaBoard&) = delete;

    bool isXenia() override { return m_api.isXenia(m_handle) != 0; }
    int rampSize() override { return m_api.rampSize(m_handle); }
    bool setRamp(const std::vector<std::vector<std::uint16_t>>& ramp) override
    {
        return ramp.size() == 3 && m_api.setRamp(m_handle, static_cast<int>(ramp[0].size()), ramp[0].data(),
                                                 ramp[1].data(), ramp[2].data()) == 0;
    }
    bool enableRamp(bool enable) override { return m_api.enableRamp(m_handle, enable ? 1 : 0) == 0; }
    int gridColumns() override { return m_api.gridColumns(m_handle); }
    int gridRows() override { return m_api.gridRows(m_handle); }
    std::vector<double> uniformity() override
    {
        std::vector<double> values(static_cast<size_t>(std::max(0, 4 * gridColumns() * gridRows())));
        const int count = m_api.getUniformity(m_handle, values.data(), static_cast<int>(values.size()));
        values.resize(static_cast<size_t>(std::clamp(count, 0, static_cast<int>(values.size()))));
        return values;
    }
    bool setUniformity(const std::vector<double>& values) override
    {
        return m_api.setUniformity(m_handle, values.data(), static_cast<int>(values.size())) == 0;
    }
    bool enableUniformity(bool enable) override
    {
        return m_api.enableUniformity(m_handle, enable ? 1 : 0) == 0;
    }

private:
    Api m_api;
    void* m_handle;
};

} // namespace

LibraryMatroxBoards::LibraryMatroxBoards(QString libraryName) : m_libraryName(std::move(libraryName)) {}

QFunctionPointer LibraryMatroxBoards::resolve(const char* name, QString* error) const
{
    QMutexLocker lock(&m_mutex);
    if (!m_loadTried) {
        m_loadTried = true;
        m_library.setFileName(m_libraryName);
        if (!m_library.load())
            qDebug() << "LibraryMatroxBoards: no Matrox control library:" << m_library.errorString();
    }
    if (!m_library.isLoaded()) {
        setError(error, QStringLiteral("Matrox control library \"%1\" not available").arg(m_libraryName));
        return nullptr;
    }
    const QFunctionPointer function = m_library.resolve(name);
    if (!function)
        setError(error, QStringLiteral("Matrox control library lacks %1").arg(QLatin1String(name)));
    return function;
}

std::unique_ptr<MatroxOutput> LibraryMatroxBoards::openOutput(const QString& output, QString* error) const
{
    const auto open = reinterpret_cast<OpenOutputFn>(resolve("MtxOpenOutput", error));
    const LibraryMatroxOutput::Api api{
        reinterpret_cast<CloseFn>(resolve("MtxCloseOutput", error)),
        reinterpret_cast<QueryPortFn>(resolve("MtxQueryPort", error)),
        reinterpret_cast<BitsPerChannelFn>(resolve("MtxBitsPerChannel", error)),
        reinterpret_cast<UploadTableFn>(resolve("MtxUploadTable", error))};
    if (!open || !api.close || !api.queryPort || !api.bitsPerChannel || !api.upload)
        return nullptr;
    void* handle = nullptr;
    const int code = open(output.toUtf8().constData(), &handle);
    if (code != 0 || !handle) {
        setError(error, QStringLiteral("MtxOpenOutput(%1) failed, error %2").arg(output).arg(code));
        return nullptr;
    }
    return std::make_unique<LibraryMatroxOutput>(api, handle);
}

std::unique_ptr<XeniaBoard> LibraryMatroxBoards::openXenia(int boardDisplayId, QString* error) const
{
    const auto open = reinterpret_cast<OpenXeniaFn>(resolve("XeniaOpen", error));
    const LibraryXeniaBoard::Api api{reinterpret_cast<CloseFn>(resolve("XeniaClose", error)),
                                     reinterpret_cast<IntQueryFn>(resolve("XeniaIsXenia", error)),
                                     reinterpret_cast<IntQueryFn>(resolve("XeniaRampSize", error)),
                                     reinterpret_cast<SetRampFn>(resolve("GamSetRamp_", error)),
                                     reinterpret_cast<EnableFn>(resolve("GamEnable_", error)),
                                     reinterpret_cast<IntQueryFn>(resolve("XeniaGridColumns", error)),
                                     reinterpret_cast<IntQueryFn>(resolve("XeniaGridRows", error)),
                                     reinterpret_cast<GetUniformityFn>(resolve("XeniaGetUniformity", error)),
                                     reinterpret_cast<SetUniformityFn>(resolve("XeniaSetUniformity", error)),
                                     reinterpret_cast<EnableFn>(resolve("XeniaEnableUniformity", error))};
    if (!open || !api.close || !api.isXenia || !api.rampSize || !api.setRamp || !api.enableRamp ||
        !api.gridColumns || !api.gridRows || !api.getUniformity || !api.setUniformity ||
        !api.enableUniformity)
        return nullptr;
    void* handle = nullptr;
    const int code = open(boardDisplayId, &handle);
    if (code != 0 || !handle) {
        setError(error, QStringLiteral("XeniaOpen(%1) failed, error %2").arg(boardDisplayId).arg(code));
        return nullptr;
    }
    return std::make_unique<LibraryXeniaBoard>(api, handle);
}
