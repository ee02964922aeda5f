#pragma once

#include "lut/BaseMatroxLUT.h"

#include <QString>

#include <memory>

class MatroxOutput;

// The ramp of a Matrox board port, loaded through the display driver: 1024 entries when
// the output runs 10 bits per channel, else 256. Tried before the system's ramp; its ok
// flag is false when the display is not on a Matrox port.
class MatroxLUT : public BaseMatroxLUT
{
    Q_OBJECT
public:
    MatroxLUT(int displayId, const QString& deviceName, QObject* parent = nullptr);
    ~MatroxLUT() override;

    int boardPort() const { return m_port; }
    int pixelDepth() const { return m_bitsPerChannel; }

    bool RealUploadLUT(const luts_t& table) override;

private:
    std::unique_ptr<MatroxOutput> m_output;
    int m_bitsPerChannel = 8;
    int m_port = -1;
};
