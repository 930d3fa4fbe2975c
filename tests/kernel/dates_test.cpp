#include "kernel/dates.h"

#include <gtest/gtest.h>

#include <string>

namespace rowsmith {
namespace {

using Pairs = std::initializer_list<std::pair<std::string, std::string>>;

TEST(GedComDateToSortDate, GivesYearMonthDayWithTheQualifierInFront) {
  for (const auto& [in, out] : Pairs{
           {"12 jan 1900", "19000112"}, {"1 MAI 1850", "18500501"}, {"24 DEZ 1800", "18001224"},
           {"3 MRZ 1799", "17990303"}, {"3 OKT 1799", "17991003"}, {"EST 12 JAN 1900", "EST 19000112"},
           // A qualifier directly before the month loses its blank.
           {"ABT JAN 1900", "ABT190001"}, {"ABT.1900", "ABT1900"},
           // A month name at the very front is not framed by blanks.
           {"JAN 1900", "JAN 1900"}, {"@#DJULIAN@ 12 JAN 1700", "@#DJULIAN@ 17000112"},
           // Letters after the first digit give the text back.
           {"BET 1900 AND 1910", "BET 1900 AND 1910"}, {"12 JANUARY 1900", "12 JANUARY 1900"},
           // Short years are padded; all digits are read as one number.
           {"5 JAN 33", "00330105"}, {"850", "0850"}, {"12.01.1900", "19000112"}, {"   ", ""},
           {"   JAN 1981", "198101"}, {"ABT 5.1850", "ABT 185005"},
           // Dual years, ranges and doubtful dates are kept as written, trimmed.
           {"1741/42", "1741/42"}, {"21 JAN 1652/53", "21 JAN 1652/53"}, {" JAN 1740/41 ", "JAN 1740/41"},
           {"ABT 1103/1104", "ABT 1103/1104"}, {"1900-1910", "1900-1910"}, {"1908 ?", "1908 ?"},
           {"12 JAN 1900 (?)", "12 JAN 1900 (?)"}, {"um 1850?", "um 1850?"},
           // A year of five digits too; a single run of six to eight digits is packed.
           {"1 JAN 10000", "1 JAN 10000"}, {"10000", "10000"}, {"ABT 12345", "ABT 12345"},
           {"01121850", "18501201"}, {"123456789", "123456789"},
           // Months are replaced in table order, not from left to right.
           {"ABT FEB JAN 1900", "ABT FEB190001"}, {"ABT mai Jan 5", "ABT mai000501"},
           {"1 JAN FEB 1900", "1 JAN FEB 1900"}})
    EXPECT_EQ(GedComDateToSortDate(in), out) << in;
}

TEST(SortDateToDisplay, ShowsDayMonthYear) {
  for (const auto& [in, out] : Pairs{
           {"18501231", "31.12.1850"}, {"185012", "12.1850"}, {"0850", "0850"}, {"19100019", "19.00.1910"},
           {"ca. 18501231", "ca. 31.12.1850"}, {"ABT190001", "ABT01.1900"},
           // Dates kept as written show as they are.
           {"1850-12-31", "1850-12-31"}, {"1741/42", "1741/42"}, {"1 JAN 10000", "1 JAN 10000"}, {"10000", "10000"},
           {"ABT 12345", "ABT 12345"}, {"x 12345678901", "x 12345678901"}, {"123456789", "123456789"}})
    EXPECT_EQ(SortDateToDisplay(in), out) << in;
}

}  // namespace
}  // namespace rowsmith
