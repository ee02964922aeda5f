#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The MCCS capability string a DDC/CI display reports about itself, parsed into the
// sets the display classes ask about: VCP codes (as (page << 8) + code), their allowed
// values, commands, display technology, versions and a few vendor fields.
class CParseCapabilityString
{
public:
    enum DisplayType
    {
        TypeUnknown = 0,
        TypeCRT = 1,
        TypeLCD = 2
    };

    // Clears, then parses: 0 on success, -1 when the text has no "vcp(" token.
    int ParseString(const char* text);
    int ParseString(std::string_view text);
    int ParsedOK() const { return m_result; }
    void Clear();

    bool IsVCPSupported(int code) const;
    bool IsVCPEnumerated(int code) const;
    int GetNumberOfVCPsFound() const { return static_cast<int>(m_vcps.size()); }
    void GetArrayOfVCPsFound(const int** out) const { *out = m_vcps.data(); }
    int GetNumberOfEnumeratedVCPsFound() const { return static_cast<int>(m_enumerated.size()); }
    void GetArrayOfEnumeratedVCPsFound(const int** out) const { *out = m_enumerated.data(); }
    int GetNumberOfEnumeratedValuesFound(int code) const;
    void GetArrrayOfEnumeratedVCPValues(int code, const int** out) const;
    bool ContainsEnumeratedVCPofValue(int code, int value) const;
    int GetNumberOfCommandsFound() const { return static_cast<int>(m_commands.size()); }
    void GetArrayOfCommandsFound(const int** out) const { *out = m_commands.data(); }
    void GetArrayOfEnumeratedCommandsFound(const int** out) const { *out = m_enumeratedCommands.data(); }
    int GetNumberOfEnumeratedVCPsForCommandFound(int cmd) const;
    void GetArrrayOfEnumeratedVCPsForCommandFound(int cmd, const int** out) const;
    bool IsCommandSupported(int cmd) const;
    bool IsCommandAndVCPSupported(int cmd, int code) const;

    const std::vector<int>& vcpCodes() const { return m_vcps; }
    const std::vector<int>& enumeratedCodes() const { return m_enumerated; }
    const std::vector<int>& enumeratedValues(int code) const;
    const std::vector<int>& commands() const { return m_commands; }
    const std::vector<int>& enumeratedCommands() const { return m_enumeratedCommands; }
    const std::vector<int>& commandValues(int cmd) const;
    int displayType() const { return m_type; }
    const std::string& typeText() const { return m_typeText; }
    const std::string& mccsVersion() const { return m_mccsVersion; }
    const std::string& firmwareVersion() const { return m_firmwareVersion; }
    std::optional<int> colorTemperatureOffset() const { return m_colorTemperatureOffset; }
    std::optional<int> assetEEPROM() const { return m_assetEEPROM; }
    // Size and the red, green and blue offsets; absent unless all four were given.
    std::optional<std::vector<int>> gammaTable() const { return m_gammaTable; }

    // The contents of token `name` (ending with "("), found regardless of case; false when
    // the token or its closing bracket is missing.
    static bool FindToken(std::string_view name, std::string_view text, std::string& out);

private:
    // One scanned list: codes in order of first appearance, values per enumerated code.
    struct CodeList
    {
        std::vector<int> codes;
        std::vector<int> enumerated;
        std::map<int, std::vector<int>> values;
    };
    static void scanList(std::string_view list, int basePage, size_t maxValues, CodeList& into);

    int m_result = -1;
    std::vector<int> m_vcps;
    std::vector<int> m_enumerated;
    std::map<int, std::vector<int>> m_values;
    std::vector<int> m_commands;
    std::vector<int> m_enumeratedCommands;
    std::map<int, std::vector<int>> m_commandValues;
    int m_type = TypeUnknown;
    std::string m_typeText;
    std::string m_mccsVersion;
    std::string m_firmwareVersion;
    std::optional<int> m_colorTemperatureOffset;
    std::optional<int> m_assetEEPROM;
    std::optional<std::vector<int>> m_gammaTable;
};
