#pragma once

#include <QByteArray>
#include <QString>

// Synthetic EDIDs for cases no real display shows: a valid base block (header, checksum) whose
// fields and descriptors the test chooses. Descriptors fill the slots at 54, 72, 90 and 108 in
// the order they are added; unused slots stay dummy descriptors (tag 0x10).
class EdidBuilder
{
public:
    EdidBuilder();

    EdidBuilder& manufacturer(const char code[3]);
    EdidBuilder& product(unsigned char low, unsigned char high);
    EdidBuilder& serialNumber(quint32 number);
    EdidBuilder& version(int version, int revision);
    EdidBuilder& sizeCm(int width, int height);
    EdidBuilder& standardTiming(int slot, unsigned char first, unsigned char second);
    EdidBuilder& timing(int width, int height, int widthMm, int heightMm);
    // A display descriptor: 00 00 00 tag 00, then the raw text bytes (at most 13, padded by the
    // caller's choice: pass "Name\n   " for the customary padding).
    EdidBuilder& descriptor(unsigned char tag, const QByteArray& text);
    // An extension block of 128 bytes with this content from byte 4 on.
    EdidBuilder& extension(const QByteArray& content);

    QByteArray bytes() const;

private:
    QByteArray m_base;
    QByteArray m_extensions;
    int m_nextSlot = 0;
};
