// Reading cell texts as integers and Booleans.
#include <gtest/gtest.h>

#include <climits>
#include <optional>

#include "datatable/Errors.h"
#include "datatable/Row.h"
#include "datatable/Text.h"

namespace stp {
namespace {

struct IntegerCase {
    const char16_t* Text;
    std::optional<int> Expected;  // empty: the text is no integer
};

const IntegerCase kIntegerCases[] = {
    {u"", 0},
    {u" 12", 12},
    {u"   -12", -12},
    {u"+7", 7},
    {u"007", 7},
    {u"$1F", 31},
    {u"x1f", 31},
    {u"X1F", 31},
    {u"0x1F", 31},
    {u"0X1f", 31},
    {u"-$10", -16},
    {u"2147483647", INT_MAX},
    {u"-2147483648", INT_MIN},
    {u"$7FFFFFFF", INT_MAX},
    {u"-$80000000", INT_MIN},
    {u"2147483648", std::nullopt},
    {u"-2147483649", std::nullopt},
    {u"$80000000", std::nullopt},
    {u"99999999999999999999999", std::nullopt},
    {u"12a", std::nullopt},
    {u"12 ", std::nullopt},
    {u"\t12", std::nullopt},
    {u"1 2", std::nullopt},
    {u" ", std::nullopt},
    {u"-", std::nullopt},
    {u"--1", std::nullopt},
    {u"- 1", std::nullopt},
    {u"$", std::nullopt},
    {u"0x", std::nullopt},
    {u"$G", std::nullopt},
    {u"1.0", std::nullopt},
    {u"\uFF11", std::nullopt},  // a full-width digit is no decimal digit
};

TEST(CellValue, ReadsIntegersByTheFixedSyntax) {
    TRow row;
    TCell* cell = row.AddItem(u"");
    for (const auto& c : kIntegerCases) {
        cell->SetText(c.Text);
        SCOPED_TRACE(ToUtf8(c.Text));
        if (c.Expected) {
            EXPECT_EQ(cell->Value(), *c.Expected);
        } else {
            EXPECT_THROW(cell->Value(), EConvertError);
        }
    }
}

struct BoolCase {
    const char16_t* Text;
    std::optional<bool> Expected;  // empty: the text is no Boolean
};

const BoolCase kBoolCases[] = {
    {u"", false},
    {u"0", false},
    {u"2", true},
    {u"-1", true},
    {u"true", true},
    {u"TRUE", true},
    {u"False", false},
    {u"fAlSe", false},
    {u"0.0", false},
    {u"-0", false},
    {u"0.5", true},
    {u".5", true},
    {u"1.", true},
    {u"1e3", true},
    {u"0e5", false},
    {u"2.5E-3", true},
    {u"1e-400", true},
    {u" 1 ", true},
    {u"yes", std::nullopt},
    {u".", std::nullopt},
    {u"1e", std::nullopt},
    {u"e1", std::nullopt},
    {u"$1", std::nullopt},
    {u"1,5", std::nullopt},
    {u"True ", std::nullopt},
    {u"Tru", std::nullopt},
    {u"1 0", std::nullopt},
};

TEST(CellAsBool, ReadsNumbersAndTrueFalse) {
    TRow row;
    TCell* cell = row.AddItem(u"");
    for (const auto& c : kBoolCases) {
        cell->SetText(c.Text);
        SCOPED_TRACE(ToUtf8(c.Text));
        if (c.Expected) {
            EXPECT_EQ(cell->AsBool(), *c.Expected);
        } else {
            EXPECT_THROW(cell->AsBool(), EConvertError);
        }
    }
}

template <class Read>
std::string MessageOf(Read read) {
    try {
        read();
    } catch (const EConvertError& e) {
        return e.what();
    }
    return "(no error)";
}

TEST(CellConversionErrors, NameTheTextInUtf8AndLeaveTheCellAlone) {
    TRow row;
    TCell* integer = row.AddItem(u"12a");
    TCell* boolean = row.AddItem(u"yes");
    TCell* accented = row.AddItem(u"\u00e9t\u00e9");
    EXPECT_EQ(MessageOf([&] { integer->Value(); }), "''12a'' is not a valid integer value");
    EXPECT_EQ(MessageOf([&] { boolean->AsBool(); }), "'yes' is not a valid boolean value");
    EXPECT_EQ(MessageOf([&] { accented->Value(); }), "''\xC3\xA9t\xC3\xA9'' is not a valid integer value");
    EXPECT_EQ(integer->Text(), u"12a");
    EXPECT_EQ(boolean->Text(), u"yes");
}

}  // namespace
}  // namespace stp
