// The declarations of the automation members that other readers keep in their own
// languages (the type library's IDL, the C header, the Windows identifiers, the Python
// package) against the member table that every host dispatches through.
#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tintbox/members.hpp"

namespace tintbox {
namespace {

std::string file_text(const char* path) {
    std::ifstream file(path);
    EXPECT_TRUE(file) << path;
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::int32_t number_of(const std::string& text) {
    return static_cast<std::int32_t>(std::stoll(text, nullptr, 0));
}

// Words in the order of the enumerations.
std::string type_word(MemberType type) {
    const char* const words[] = {"Empty", "Integer", "Long", "Boolean", "String", "Picture"};
    return words[static_cast<int>(type)];
}

std::string kind_word(MemberKind kind) {
    const char* const words[] = {"method", "propget", "propput", "propputref"};
    return words[static_cast<int>(kind)];
}

// One member as a line: "Dec 0x6003000b method Long (Number String byref)".
std::string member_line(const std::string& name, std::int32_t id, const std::string& kind,
                        const std::string& result, const std::string& params) {
    std::ostringstream line;
    line << name << " 0x" << std::hex << id << " " << kind << " " << result << " (" << params
         << ")";
    return line.str();
}

std::vector<std::string> table_lines(MemberList members) {
    std::vector<std::string> lines;
    for (const Member& member : members) {
        std::string params;
        for (std::size_t i = 0; i < member.param_count; ++i) {
            const MemberParam& param = member.params[i];
            params += (i == 0 ? "" : ", ") + std::string(param.name) + " " + type_word(param.type) +
                      ((param.flags & kParamByRef) ? " byref" : "");
        }
        lines.push_back(member_line(member.name, member.dispatch_id, kind_word(member.kind),
                                    type_word(member.result), params));
    }
    return lines;
}

// The IDL's types as Automation names them; a pointer to a value type is by reference.
std::string idl_type_word(const std::string& type) {
    static const std::map<std::string, std::string> words = {
        {"void", "Empty"},  {"short", "Integer"},        {"long", "Long"},
        {"BSTR", "String"}, {"VARIANT_BOOL", "Boolean"}, {"IPictureDisp", "Picture"},
    };
    const auto word = words.find(type);
    return word == words.end() ? "unknown type " + type : word->second;
}

// The members of one dispinterface of tintbox.idl, in slot order. Parameters declared
// [in, out] with a pointer type are passed by reference.
std::vector<std::string> idl_lines(const std::string& idl, const std::string& interface_name) {
    const std::size_t start = idl.find("dispinterface " + interface_name + "\n");
    EXPECT_NE(start, std::string::npos) << interface_name;
    const std::size_t methods = idl.find("methods:", start);
    const std::string body = idl.substr(methods + 8, idl.find("};", methods) - methods - 8);

    static const std::regex member_pattern(
        R"(\[id\((\w+)\)(?:,\s*(\w+))?\]\s*(\w+)(\*?)\s+(\w+)\(([^)]*)\))");
    static const std::regex param_pattern(R"(\[([a-z, ]+)\]\s*(\w+)(\*?)\s+(\w+))");
    std::vector<std::string> lines;
    for (std::sregex_iterator member(body.begin(), body.end(), member_pattern), end; member != end;
         ++member) {
        const std::smatch& m = *member;
        std::string params;
        const std::string declared = m[6];
        for (std::sregex_iterator param(declared.begin(), declared.end(), param_pattern);
             param != end; ++param) {
            const std::smatch& p = *param;
            const bool by_reference =
                p[1].str().find("out") != std::string::npos && p[3].str() == "*";
            params += (params.empty() ? "" : ", ") + p[4].str() + " " + idl_type_word(p[2]) +
                      (by_reference ? " byref" : "");
        }
        lines.push_back(member_line(m[5], number_of(m[1]), m[2].matched ? m[2].str() : "method",
                                    idl_type_word(m[3]), params));
    }
    return lines;
}

TEST(MemberTable, TheTypeLibrarysIdlDeclaresEveryMemberAsTheTableDoes) {
    const std::string idl = file_text(TINTBOX_IDL_PATH);
    EXPECT_EQ(idl_lines(idl, "_Tintbox"), table_lines(dispatch_members()));
    EXPECT_EQ(idl_lines(idl, "__Tintbox"), table_lines(event_members()));
}

// Name -> dispatch id, for every member name of both interfaces.
std::map<std::string, std::int32_t> table_ids() {
    std::map<std::string, std::int32_t> ids;
    for (const MemberList members : {dispatch_members(), event_members()}) {
        for (const Member& member : members) {
            ids[member.name] = member.dispatch_id;
        }
    }
    return ids;
}

// Every `pattern` match in the file as name (group 1) -> id (group 2). A name in capitals
// (Python's DISPID_CHANGE) stands for the table's name in any case.
std::map<std::string, std::int32_t> declared_ids(const char* path, const std::string& pattern) {
    const std::string text = file_text(path);
    const std::regex declaration(pattern);
    std::map<std::string, std::int32_t> ids;
    for (std::sregex_iterator match(text.begin(), text.end(), declaration), end; match != end;
         ++match) {
        std::string name = (*match)[1];
        for (const auto& [table_name, id] : table_ids()) {
            std::string upper = table_name;
            for (char& c : upper) {
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            }
            if (name == upper) {
                name = table_name;
            }
        }
        ids[name] = number_of((*match)[2]);
    }
    return ids;
}

TEST(MemberTable, EveryListOfDispatchIdsHasTheTablesNamesAndIds) {
    const struct {
        const char* path;
        const char* pattern;
    } declarations[] = {
        {TINTBOX_SHELL_HEADER_PATH, R"(#define TINTBOX_DISPID_(\w+) (\w+))"},
        {TINTBOX_WINDOWS_IDS_PATH, R"(inline constexpr DISPID k(\w+) = (\w+);)"},
        // The dictionary DISPID of the dispatch members, and DISPID_CHANGE.
        {TINTBOX_PYTHON_ABI_PATH, R"#((?:\n    "|\nDISPID_)(\w+)"?(?::| =) (\w+))#"},
    };
    for (const auto& declared : declarations) {
        EXPECT_EQ(declared_ids(declared.path, declared.pattern), table_ids()) << declared.path;
    }
}

}  // namespace
}  // namespace tintbox
