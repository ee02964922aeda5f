#include "displays/CParseCapabilityString.h"
#include "tests/support/ProgramRun.h"

#include <QJsonArray>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace {

std::vector<int> values(const CParseCapabilityString& p, int code)
{
    return p.enumeratedValues(code);
}

} // namespace

TEST(CapabilityStringTest, CodesEnumeratedValuesAndTextFields)
{
    CParseCapabilityString p;
    ASSERT_EQ(p.ParseString("(prot(monitor)type(lcd)model(X)cmds(01 02 03 0C E3 F3)"
                            "vcp(10 12 14(05 06 08) 16 )mccs_ver(2.2)mpu_ver(1.07)c_tmp_ofst(1F)"
                            "asset_eep(40)gamma_table(size(400) r_ofs(0) g_ofs(800) b_ofs(1000)))"),
              0);
    EXPECT_EQ(p.vcpCodes(), (std::vector<int>{0x10, 0x12, 0x14, 0x16}));
    EXPECT_EQ(p.enumeratedCodes(), std::vector<int>{0x14});
    EXPECT_EQ(values(p, 0x14), (std::vector<int>{5, 6, 8}));
    EXPECT_TRUE(p.ContainsEnumeratedVCPofValue(0x14, 6));
    EXPECT_FALSE(p.ContainsEnumeratedVCPofValue(0x10, 6));
    EXPECT_EQ(p.displayType(), CParseCapabilityString::TypeLCD);
    EXPECT_EQ(p.typeText(), "lcd");
    EXPECT_EQ(p.mccsVersion(), "2.2");
    EXPECT_EQ(p.firmwareVersion(), "1.07");
    EXPECT_EQ(p.colorTemperatureOffset(), 0x1F);
    EXPECT_EQ(p.assetEEPROM(), 0x40);
    EXPECT_EQ(p.gammaTable(), (std::vector<int>{0x400, 0, 0x800, 0x1000}));
    // Only the cmds_c2 token fills the command list.
    EXPECT_EQ(p.GetNumberOfCommandsFound(), 0);
}

TEST(CapabilityStringTest, MissingOrUnclosedVcpTokenLeavesNoCodesButOtherTokensRead)
{
    CParseCapabilityString p;
    EXPECT_EQ(p.ParseString("(type(CRT_AG)mccs_ver(2.0)vcp(10 12 14"), -1);
    EXPECT_EQ(p.GetNumberOfVCPsFound(), 0);
    EXPECT_EQ(p.displayType(), CParseCapabilityString::TypeCRT);
    EXPECT_EQ(p.mccsVersion(), "2.0");
    EXPECT_FALSE(p.colorTemperatureOffset().has_value());
    EXPECT_FALSE(p.gammaTable().has_value());

    EXPECT_EQ(p.ParseString("(type(OLED)cmds(01))"), -1);
    EXPECT_EQ(p.displayType(), CParseCapabilityString::TypeUnknown);
    EXPECT_EQ(p.ParseString(nullptr), -1);
}

TEST(CapabilityStringTest, ReadingsOfLooseRealWorldStrings)
{
    CParseCapabilityString p;
    // Upper-case token, blank before the value list, nested brackets, a lone digit, a duplicate,
    // an empty list, signs and junk that are no numbers.
    ASSERT_EQ(p.ParseString("(VCP(02 10 12 60 (0F 1(2 3) 11) 7 10 D6( ) -1g 14(+05 zz 0B))TYPE(LCD))"), 0);
    EXPECT_EQ(p.vcpCodes(), (std::vector<int>{0x02, 0x10, 0x12, 0x60, 0x07, 0xD6, 0x01, 0x14}));
    EXPECT_EQ(values(p, 0x60), (std::vector<int>{0x0F, 0x01, 0x02, 0x03, 0x11}));
    EXPECT_TRUE(p.IsVCPEnumerated(0xD6));
    EXPECT_EQ(p.GetNumberOfEnumeratedValuesFound(0xD6), 0);
    EXPECT_EQ(values(p, 0x14), (std::vector<int>{0x05, 0x0B}));
    EXPECT_FALSE(p.IsVCPEnumerated(0x10));
    EXPECT_EQ(p.displayType(), CParseCapabilityString::TypeLCD);
}

TEST(CapabilityStringTest, PagesAndCommandLists)
{
    CParseCapabilityString p;
    ASSERT_EQ(p.ParseString("(vcp(10 page2(04 05(01 02)) 12)vcp_p0A(20 21)cmds_c2(01 E2(73 75) F3))"), 0);
    EXPECT_EQ(p.vcpCodes(), (std::vector<int>{0x10, 0x204, 0x205, 0x12, 0xA20, 0xA21}));
    EXPECT_EQ(values(p, 0x205), (std::vector<int>{1, 2}));
    EXPECT_EQ(p.commands(), (std::vector<int>{0x01, 0xE2, 0xF3}));
    EXPECT_TRUE(p.IsCommandAndVCPSupported(0xE2, 0x75));
    EXPECT_FALSE(p.IsCommandAndVCPSupported(0xF3, 0x75));
    EXPECT_FALSE(p.IsCommandAndVCPSupported(0x03, 0x10));
}

TEST(CapabilityStringTest, TextFieldsAreClippedAndListsUnbounded)
{
    std::string longText(600, 'x');
    std::string codes;
    for (int page = 0; page < 4; ++page)
        for (int c = 0; c < 256; ++c)
            codes += "page" + std::to_string(page) + "(" + "0123456789ABCDEF"[c >> 4] +
                     "0123456789ABCDEF"[c & 15] + ") ";
    CParseCapabilityString p;
    ASSERT_EQ(p.ParseString("(mpu_ver(" + longText + ")vcp(" + codes + "))"), 0);
    EXPECT_EQ(p.firmwareVersion().size(), 255u);
    EXPECT_EQ(p.GetNumberOfVCPsFound(), 1024);
    EXPECT_TRUE(p.IsVCPSupported(0x3FF));
}

TEST(CapabilityStringTest, CapsCommandPrintsTheParsedStringAsJson)
{
    const ProgramRun run = ProgramRun::ctl({"caps", "-", "--json"},
                                           "(type(LCD)vcp(10 14(05 08) 73)cmds_c2(E7(75))c_tmp_ofst(A))");
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonObject o = run.json();
    EXPECT_EQ(o.keys().size(), 12);
    EXPECT_EQ(o.value("result").toInt(), 0);
    EXPECT_EQ(o.value("type").toInt(), 2);
    EXPECT_EQ(o.value("vcp").toArray(), (QJsonArray{16, 20, 115}));
    EXPECT_EQ(o.value("enumerated").toObject().value("20").toArray(), (QJsonArray{5, 8}));
    EXPECT_EQ(o.value("command_enums").toObject().value("231").toArray(), QJsonArray{117});
    EXPECT_EQ(o.value("c_tmp_ofst").toInt(), 10);
    EXPECT_TRUE(o.value("asset_eep").isNull());
    EXPECT_TRUE(o.value("gamma_table").isNull());

    const ProgramRun missing = ProgramRun::ctl({"caps", "/nonexistent/caps.txt"});
    EXPECT_NE(missing.exitCode, 0);
    EXPECT_TRUE(missing.err.contains("cannot read")) << missing.err.toStdString();
}
