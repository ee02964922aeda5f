#include "lut/MatroxXeniaLUT.h"

#include "platform/MatroxBoards.h"
#include "platform/Platform.h"
#include "platform/PlatformBackend.h"

#include <QDebug>

#include <algorithm>

MatroxXeniaLUT::MatroxXeniaLUT(int displayId, int boardDisplayId, QObject* parent)
    : BaseMatroxLUT(displayId, parent)
{
    QString error;
    m_board = Platform::backend().matroxBoards().openXenia(boardDisplayId, &error);
    m_isXenia = m_board && m_board->isXenia();
    if (!m_isXenia) {
        qDebug() << "MatroxXeniaLUT: board display" << boardDisplayId << "is not on a Xenia board" << error;
        m_board.reset();
        setOk(false);
        return;
    }
    const int size = m_board->rampSize();
    setGeometry(3, size > 1 ? size : 256, 65535);
    setOk(true);
}

MatroxXeniaLUT::~MatroxXeniaLUT() = default;

bool MatroxXeniaLUT::IsXenia() const
{
    return m_isXenia;
}

bool MatroxXeniaLUT::RealUploadLUT(const luts_t& table)
{
    if (!m_board)
        return false;
    const auto words = boardTable(table, LUTSize());
    if (words.empty())
        return false;
    if (!m_board->setRamp(words)) {
        qDebug() << "realXeniaUploadLUT GamSetRamp_ failed";
        return false;
    }
    if (!m_board->enableRamp(true)) {
        qDebug() << "realXeniaUploadLUT GamEnable_ failed";
        return false;
    }
    return true;
}

bool MatroxXeniaLUT::IsAutoUniformityAvailable()
{
    return m_board != nullptr;
}

void MatroxXeniaLUT::ActivateUniformity(const std::vector<double>& values)
{
    if (!setUniformityValues(values))
        return;
    switchUniformity(true);
}

void MatroxXeniaLUT::DeactivateUniformity()
{
    switchUniformity(false);
}

void MatroxXeniaLUT::EnableUniformity()
{
    switchUniformity(true);
}

void MatroxXeniaLUT::DisableUniformity()
{
    switchUniformity(false);
}

void MatroxXeniaLUT::GetCurrentUniformity(std::vector<double>& values)
{
    values = m_board ? m_board->uniformity() : std::vector<double>();
    setOk(m_board != nullptr);
}

void MatroxXeniaLUT::SetCurrentUniformity(const std::vector<double>& values)
{
    setUniformityValues(values);
}

void MatroxXeniaLUT::AutoUniformityCleanMeasurements()
{
    m_measurements.clear();
    setOk(m_board != nullptr);
}

void MatroxXeniaLUT::AutoUniformityAddMeasurement(int x, int y, int level, double luminance)
{
    const bool inGrid = m_board && x >= 0 && y >= 0 && x < UniformityGridSizeX() && y < UniformityGridSizeY();
    if (!inGrid || !(luminance > 0)) {
        qDebug() << "MatroxXeniaLUT: measurement outside the grid or without light" << x << y << level
                 << luminance;
        setOk(false);
        return;
    }
    m_measurements[level][{x, y}] = luminance;
    setOk(true);
}

// Every area of each measured level is dimmed to the luminance of area (x, y); areas
// already darker are left alone (a factor above 1 would clip).
void MatroxXeniaLUT::AutoUniformityApply(int x, int y)
{
    std::vector<double> values;
    for (const auto& [level, cells] : m_measurements) {
        const auto reference = cells.find({x, y});
        if (reference == cells.end()) {
            qDebug() << "MatroxXeniaLUT: no reference measurement at" << x << y << "for level" << level;
            setOk(false);
            return;
        }
        for (const auto& [cell, luminance] : cells)
            values.insert(values.end(), {double(cell.first), double(cell.second), double(level),
                                         std::min(1.0, reference->second / luminance)});
    }
    if (values.empty()) {
        qDebug() << "MatroxXeniaLUT: no uniformity measurements";
        setOk(false);
        return;
    }
    ActivateUniformity(values);
}

// The reference is the dimmest area at the brightest measured level, so nothing is brightened.
void MatroxXeniaLUT::AutoUniformityApply()
{
    if (m_measurements.empty()) {
        qDebug() << "MatroxXeniaLUT: no uniformity measurements";
        setOk(false);
        return;
    }
    const auto& brightest = m_measurements.rbegin()->second;
    const auto dimmest = std::min_element(brightest.begin(), brightest.end(),
                                          [](const auto& a, const auto& b) { return a.second < b.second; });
    AutoUniformityApply(dimmest->first.first, dimmest->first.second);
}

int MatroxXeniaLUT::UniformityGridSizeX()
{
    return m_board ? m_board->gridColumns() : 0;
}

int MatroxXeniaLUT::UniformityGridSizeY()
{
    return m_board ? m_board->gridRows() : 0;
}

bool MatroxXeniaLUT::setUniformityValues(const std::vector<double>& values)
{
    if (!m_board || values.size() % 4 != 0) {
        qDebug() << "MatroxXeniaLUT: uniformity values must come in groups of 4, got" << values.size();
        setOk(false);
        return false;
    }
    sendStartUniformityUpload(1);
    const bool stored = m_board->setUniformity(values);
    sendFinishUniformityUpload();
    if (!stored)
        qDebug() << "MatroxXeniaLUT: the board refused the uniformity values";
    setOk(stored);
    return stored;
}

void MatroxXeniaLUT::switchUniformity(bool enable)
{
    const bool switched = m_board && m_board->enableUniformity(enable);
    if (!switched)
        qDebug() << "MatroxXeniaLUT: cannot switch uniformity" << (enable ? "on" : "off");
    setOk(switched);
}
