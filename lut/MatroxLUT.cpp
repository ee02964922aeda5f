#include "lut/MatroxLUT.h"

#include "platform/MatroxBoards.h"
#include "platform/Platform.h"
#include "platform/PlatformBackend.h"

#include <QDebug>

MatroxLUT::MatroxLUT(int displayId, const QString& deviceName, QObject* parent)
    : BaseMatroxLUT(displayId, parent)
{
    QString error;
    m_output = Platform::backend().matroxBoards().openOutput(deviceName, &error);
    if (!m_output) {
        qDebug() << "MatroxLUT 1" << deviceName << error;
        setOk(false);
        return;
    }
    QString failedQuery;
    const std::optional<int> port = m_output->boardPort(&failedQuery);
    if (!failedQuery.isEmpty())
        qDebug().noquote() << "getMatroxPort failed ExtEscape " + failedQuery;
    if (!port) {
        qDebug() << "MatroxLUT 5" << deviceName;
        m_output.reset();
        setOk(false);
        return;
    }
    m_port = *port;
    m_bitsPerChannel = m_output->bitsPerChannel() == 10 ? 10 : 8;
    setGeometry(3, m_bitsPerChannel == 10 ? 1024 : 256, 65535);
    qDebug() << "MatroxLUT" << deviceName << "port" << m_port << "bits" << m_bitsPerChannel;
    setOk(true);
}

MatroxLUT::~MatroxLUT() = default;

bool MatroxLUT::RealUploadLUT(const luts_t& table)
{
    if (!m_output)
        return false;
    const auto words = boardTable(table, LUTSize());
    if (words.empty())
        return false;
    if (m_output->uploadTable(m_port, words))
        return true;
    qDebug() << (m_bitsPerChannel == 10 ? "realUploadLUT10Bit ExtEscape failed"
                                        : "realUploadLUT8Bit ExtEscape failed");
    return false;
}
