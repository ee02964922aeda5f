#include "displays/CParseCapabilityString.h"

#include <algorithm>
#include <cstdio>

namespace {

// Text fields are kept as the fixed 256-byte buffers of older readers would keep them.
constexpr size_t MaxTextLength = 255;
// A command lists at most this many codes of its own.
constexpr size_t MaxCommandValues = 256;
constexpr int MaxPage = 255;

const std::vector<int> NoValues;

char lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool startsWithNoCase(std::string_view text, size_t at, std::string_view word)
{
    if (text.size() - at < word.size())
        return false;
    for (size_t i = 0; i < word.size(); ++i) {
        if (lower(text[at + i]) != lower(word[i]))
            return false;
    }
    return true;
}

size_t findNoCase(std::string_view text, std::string_view word)
{
    if (word.empty() || text.size() < word.size())
        return std::string_view::npos;
    for (size_t at = 0; at + word.size() <= text.size(); ++at) {
        if (startsWithNoCase(text, at, word))
            return at;
    }
    return std::string_view::npos;
}

size_t skipBlanks(std::string_view text, size_t at)
{
    while (at < text.size() && isBlank(text[at]))
        ++at;
    return at;
}

// One or two hexadecimal digits at `at`, as a scanf "%2X" would take them; -1 when none.
int readCode(std::string_view text, size_t& at)
{
    int value = hexValue(text[at]);
    if (value < 0)
        return -1;
    ++at;
    if (at < text.size() && hexValue(text[at]) >= 0)
        value = value * 16 + hexValue(text[at++]);
    return value;
}

// A hexadecimal number after optional blanks and an optional "0x"; no digits gives nothing.
std::optional<int> readHexNumber(std::string_view text, size_t& at)
{
    at = skipBlanks(text, at);
    if (startsWithNoCase(text, at, "0x") && at + 2 < text.size() && hexValue(text[at + 2]) >= 0)
        at += 2;
    unsigned value = 0;
    size_t digits = 0;
    while (at < text.size() && hexValue(text[at]) >= 0) {
        // Longer numbers keep their last eight digits instead of overflowing.
        value = (value << 4) | static_cast<unsigned>(hexValue(text[at]));
        ++at;
        ++digits;
    }
    if (digits == 0)
        return std::nullopt;
    return static_cast<int>(value);
}

void addOnce(std::vector<int>& list, int value)
{
    if (std::find(list.begin(), list.end(), value) == list.end())
        list.push_back(value);
}

std::string clip(std::string text)
{
    if (text.size() > MaxTextLength)
        text.resize(MaxTextLength);
    return text;
}

// "size(%X) r_ofs(%X) g_ofs(%X) b_ofs(%X)": a blank in the pattern takes any run of blanks.
std::optional<std::vector<int>> readGammaTable(std::string_view text)
{
    static constexpr std::string_view Pattern = "size(%X) r_ofs(%X) g_ofs(%X) b_ofs(%X)";
    std::vector<int> values;
    size_t at = 0;
    for (size_t p = 0; p < Pattern.size(); ++p) {
        if (Pattern[p] == ' ') {
            at = skipBlanks(text, at);
        } else if (Pattern.substr(p, 2) == "%X") {
            const std::optional<int> value = readHexNumber(text, at);
            if (!value)
                return std::nullopt;
            values.push_back(*value);
            ++p;
        } else {
            if (at >= text.size() || lower(text[at]) != Pattern[p])
                return std::nullopt;
            ++at;
        }
    }
    return values;
}

} // namespace

bool CParseCapabilityString::FindToken(std::string_view name, std::string_view text, std::string& out)
{
    const size_t start = findNoCase(text, name);
    if (start == std::string_view::npos)
        return false;
    const size_t contents = start + name.size();
    int depth = 0;
    for (size_t at = contents; at < text.size(); ++at) {
        if (text[at] == '(') {
            ++depth;
        } else if (text[at] == ')') {
            if (depth == 0) {
                out.assign(text.substr(contents, at - contents));
                return true;
            }
            --depth;
        }
    }
    return false;
}

void CParseCapabilityString::scanList(std::string_view list, int basePage, size_t maxValues, CodeList& into)
{
    int page = basePage;
    int depth = 0;
    int pageDepth = -1; // bracket depth at which the open "page N(" started; -1 outside
    size_t at = 0;
    while (at < list.size()) {
        const char c = list[at];
        if (isBlank(c)) {
            ++at;
            continue;
        }
        // "page" must be looked at before hex digits: its 'a' and 'e' are digits too.
        if (startsWithNoCase(list, at, "page")) {
            size_t next = at + 4;
            int number = 0;
            size_t digits = 0;
            while (next < list.size() && list[next] >= '0' && list[next] <= '9' && number <= MaxPage) {
                number = number * 10 + (list[next] - '0');
                ++next;
                ++digits;
            }
            next = skipBlanks(list, next);
            at = next;
            if (digits > 0 && number <= MaxPage && next < list.size() && list[next] == '(') {
                page = number;
                pageDepth = depth;
                ++depth;
                ++at;
            }
            continue;
        }
        if (c == '(') {
            ++depth;
            ++at;
            continue;
        }
        if (c == ')') {
            if (depth > 0)
                --depth;
            if (pageDepth >= 0 && depth == pageDepth) {
                page = basePage;
                pageDepth = -1;
            }
            ++at;
            continue;
        }
        const int code = readCode(list, at);
        if (code < 0) {
            ++at; // neither blank, bracket nor digit: not part of any code
            continue;
        }
        const int full = (page << 8) + code;
        addOnce(into.codes, full);
        const size_t bracket = skipBlanks(list, at);
        if (bracket >= list.size() || list[bracket] != '(')
            continue;

        // The value list runs to the matching bracket; values in nested brackets count too.
        addOnce(into.enumerated, full);
        std::vector<int>& values = into.values[full];
        int nesting = 0;
        at = bracket + 1;
        while (at < list.size()) {
            const char v = list[at];
            if (v == '(') {
                ++nesting;
                ++at;
            } else if (v == ')') {
                ++at;
                if (nesting == 0)
                    break;
                --nesting;
            } else if (const int value = readCode(list, at); value >= 0) {
                if (values.size() < maxValues)
                    addOnce(values, value);
            } else {
                ++at;
            }
        }
    }
}

void CParseCapabilityString::Clear()
{
    *this = CParseCapabilityString();
}

int CParseCapabilityString::ParseString(const char* text)
{
    return ParseString(std::string_view(text ? text : ""));
}

int CParseCapabilityString::ParseString(std::string_view text)
{
    Clear();
    std::string contents;

    if (FindToken("type(", text, contents)) {
        m_typeText = clip(contents);
        if (contents == "LCD" || contents == "lcd")
            m_type = TypeLCD;
        else if (contents == "CRT" || contents == "CRT_AG" || contents == "crt" || contents == "crt_ag")
            m_type = TypeCRT;
    }

    // Tokens are matched regardless of case: the display reading upper-cases the first
    // "vcp" before it parses, and real displays spell it either way.
    CodeList vcps;
    if (FindToken("vcp(", text, contents)) {
        scanList(contents, 0, std::string::npos, vcps);
        m_result = 0;
    }
    for (int page = 0; page <= MaxPage; ++page) {
        char token[16];
        std::snprintf(token, sizeof token, "vcp_p%02X(", page);
        if (FindToken(token, text, contents))
            scanList(contents, page, std::string::npos, vcps);
    }
    m_vcps = std::move(vcps.codes);
    m_enumerated = std::move(vcps.enumerated);
    m_values = std::move(vcps.values);

    if (FindToken("mccs_ver(", text, contents))
        m_mccsVersion = clip(contents);
    if (FindToken("mpu_ver(", text, contents))
        m_firmwareVersion = clip(contents);
    size_t at = 0;
    if (FindToken("c_tmp_ofst(", text, contents))
        m_colorTemperatureOffset = readHexNumber(contents, at);
    at = 0;
    if (FindToken("asset_eep(", text, contents))
        m_assetEEPROM = readHexNumber(contents, at);

    if (FindToken("cmds_c2(", text, contents)) {
        CodeList commands;
        scanList(contents, 0, MaxCommandValues, commands);
        m_commands = std::move(commands.codes);
        m_enumeratedCommands = std::move(commands.enumerated);
        m_commandValues = std::move(commands.values);
    }
    if (FindToken("gamma_table(", text, contents))
        m_gammaTable = readGammaTable(contents);
    return m_result;
}

bool CParseCapabilityString::IsVCPSupported(int code) const
{
    return std::find(m_vcps.begin(), m_vcps.end(), code) != m_vcps.end();
}

bool CParseCapabilityString::IsVCPEnumerated(int code) const
{
    return m_values.count(code) != 0;
}

const std::vector<int>& CParseCapabilityString::enumeratedValues(int code) const
{
    const auto it = m_values.find(code);
    return it == m_values.end() ? NoValues : it->second;
}

int CParseCapabilityString::GetNumberOfEnumeratedValuesFound(int code) const
{
    return static_cast<int>(enumeratedValues(code).size());
}

void CParseCapabilityString::GetArrrayOfEnumeratedVCPValues(int code, const int** out) const
{
    *out = enumeratedValues(code).data();
}

bool CParseCapabilityString::ContainsEnumeratedVCPofValue(int code, int value) const
{
    const std::vector<int>& values = enumeratedValues(code);
    return std::find(values.begin(), values.end(), value) != values.end();
}

const std::vector<int>& CParseCapabilityString::commandValues(int cmd) const
{
    const auto it = m_commandValues.find(cmd);
    return it == m_commandValues.end() ? NoValues : it->second;
}

int CParseCapabilityString::GetNumberOfEnumeratedVCPsForCommandFound(int cmd) const
{
    return static_cast<int>(commandValues(cmd).size());
}

void CParseCapabilityString::GetArrrayOfEnumeratedVCPsForCommandFound(int cmd, const int** out) const
{
    *out = commandValues(cmd).data();
}

bool CParseCapabilityString::IsCommandSupported(int cmd) const
{
    return std::find(m_commands.begin(), m_commands.end(), cmd) != m_commands.end();
}

bool CParseCapabilityString::IsCommandAndVCPSupported(int cmd, int code) const
{
    if (!IsCommandSupported(cmd))
        return false;
    const std::vector<int>& codes = commandValues(cmd);
    return std::find(codes.begin(), codes.end(), code) != codes.end();
}
