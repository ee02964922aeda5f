#include "tests/displays/EdidBuilder.h"

namespace {

void setChecksum(QByteArray& block, int begin)
{
    unsigned sum = 0;
    for (int i = begin; i < begin + 127; ++i)
        sum += static_cast<unsigned char>(block.at(i));
    block[begin + 127] = static_cast<char>((256 - sum % 256) % 256);
}

} // namespace

EdidBuilder::EdidBuilder() : m_base(128, '\0')
{
    m_base.replace(0, 8, QByteArray::fromHex("00ffffffffffff00"));
    version(1, 4);
    for (int slot = 0; slot < 4; ++slot)
        m_base[54 + slot * 18 + 3] = static_cast<char>(0x10);
    for (int i = 38; i < 54; ++i)
        m_base[i] = 1;
}

EdidBuilder& EdidBuilder::manufacturer(const char code[3])
{
    const unsigned id = ((code[0] - 64) << 10) | ((code[1] - 64) << 5) | (code[2] - 64);
    m_base[8] = static_cast<char>(id >> 8);
    m_base[9] = static_cast<char>(id & 0xFF);
    return *this;
}

EdidBuilder& EdidBuilder::product(unsigned char low, unsigned char high)
{
    m_base[10] = static_cast<char>(low);
    m_base[11] = static_cast<char>(high);
    return *this;
}

EdidBuilder& EdidBuilder::serialNumber(quint32 number)
{
    for (int i = 0; i < 4; ++i)
        m_base[12 + i] = static_cast<char>((number >> (8 * i)) & 0xFF);
    return *this;
}

EdidBuilder& EdidBuilder::version(int version, int revision)
{
    m_base[18] = static_cast<char>(version);
    m_base[19] = static_cast<char>(revision);
    return *this;
}

EdidBuilder& EdidBuilder::sizeCm(int width, int height)
{
    m_base[21] = static_cast<char>(width);
    m_base[22] = static_cast<char>(height);
    return *this;
}

EdidBuilder& EdidBuilder::standardTiming(int slot, unsigned char first, unsigned char second)
{
    m_base[38 + slot * 2] = static_cast<char>(first);
    m_base[39 + slot * 2] = static_cast<char>(second);
    return *this;
}

EdidBuilder& EdidBuilder::timing(int width, int height, int widthMm, int heightMm)
{
    const int at = 54 + 18 * m_nextSlot++;
    QByteArray d(18, '\0');
    d[0] = 0x01; // pixel clock, only non-zero matters here
    d[1] = 0x1d;
    d[2] = static_cast<char>(width & 0xFF);
    d[4] = static_cast<char>((width >> 8) << 4);
    d[5] = static_cast<char>(height & 0xFF);
    d[7] = static_cast<char>((height >> 8) << 4);
    d[12] = static_cast<char>(widthMm & 0xFF);
    d[13] = static_cast<char>(heightMm & 0xFF);
    d[14] = static_cast<char>(((widthMm >> 8) << 4) | (heightMm >> 8));
    m_base.replace(at, 18, d);
    return *this;
}

EdidBuilder& EdidBuilder::descriptor(unsigned char tag, const QByteArray& text)
{
    const int at = 54 + 18 * m_nextSlot++;
    QByteArray d(18, '\0');
    d[3] = static_cast<char>(tag);
    d.replace(5, static_cast<int>(std::min<qsizetype>(text.size(), 13)), text.left(13));
    m_base.replace(at, 18, d.left(18));
    return *this;
}

EdidBuilder& EdidBuilder::extension(const QByteArray& content)
{
    QByteArray block(128, '\0');
    block[0] = 0x02;
    block[1] = 0x03;
    block.replace(4, static_cast<int>(std::min<qsizetype>(content.size(), 123)), content.left(123));
    m_extensions += block.left(128);
    return *this;
}

QByteArray EdidBuilder::bytes() const
{
    QByteArray all = m_base + m_extensions;
    all[126] = static_cast<char>(m_extensions.size() / 128);
    setChecksum(all, 0);
    for (int b = 128; b < all.size(); b += 128)
        setChecksum(all, b);
    return all;
}
