// Prints a tape of several columns through tallyroller-batch --print-to and
// reads the real PDF back with poppler: pdftotext for the texts and their
// boxes, pdftoppm for the colours.

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "driver_process.h"

namespace {

namespace fs = std::filesystem;

// The PDF leaves a quarter inch all round; column right edges follow.
constexpr double kMargin = 18;
constexpr double kColumnStep = 108;

struct Box {
  int page = 0;  // from 1
  double xMin = 0, yMin = 0, xMax = 0, yMax = 0;
  std::string text;
};

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

int Shell(const std::string& command) { return std::system(command.c_str()); }

std::string Quote(const fs::path& path) { return "'" + path.string() + "'"; }

std::string Unescape(std::string text) {
  const std::pair<const char*, const char*> entities[] = {
      {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&amp;", "&"}};
  for (const auto& [from, to] : entities) {
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + 1)) {
      text.replace(at, std::char_traits<char>::length(from), to);
    }
  }
  return text;
}

// Words of `pdftotext -raw -bbox`, in the order they were drawn.
std::vector<Box> ReadWords(const fs::path& html) {
  static const std::regex word(
      R"re(<word xMin="([0-9.]+)" yMin="([0-9.]+)" xMax="([0-9.]+)" yMax="([0-9.]+)">(.*)</word>)re");
  std::vector<Box> words;
  std::istringstream in(ReadFile(html));
  int page = 0;
  for (std::string line; std::getline(in, line);) {
    if (line.find("<page ") != std::string::npos) ++page;
    std::smatch m;
    if (std::regex_search(line, m, word)) {
      words.push_back({page, std::stod(m[1]), std::stod(m[2]), std::stod(m[3]), std::stod(m[4]),
                       Unescape(m[5])});
    }
  }
  return words;
}

// Printed lines: runs of consecutive words on one baseline. Two lines drawn
// one after the other never share a baseline, not even across a column.
std::vector<Box> GroupLines(const std::vector<Box>& words) {
  std::vector<Box> lines;
  for (const Box& w : words) {
    if (!lines.empty() && lines.back().page == w.page &&
        std::abs(lines.back().yMin - w.yMin) < 0.01) {
      Box& l = lines.back();
      l.text += " " + w.text;
      l.xMax = w.xMax;
      l.yMax = std::max(l.yMax, w.yMax);
    } else {
      lines.push_back(w);
    }
  }
  return lines;
}

struct Image {
  int width = 0, height = 0;
  std::vector<unsigned char> rgb;
};

// A binary PPM as pdftoppm writes it.
Image ReadPpm(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int max = 0;
  Image image;
  in >> magic >> image.width >> image.height >> max;
  in.get();
  if (magic != "P6" || max != 255) return {};
  image.rgb.resize(static_cast<std::size_t>(image.width) * image.height * 3);
  in.read(reinterpret_cast<char*>(image.rgb.data()),
          static_cast<std::streamsize>(image.rgb.size()));
  return image;
}

struct Ink {
  int red = 0;
  int any = 0;
};

// Ink inside a box of points, the page rendered at 72 dpi (one pixel a point).
Ink InkIn(const Image& image, double x0, double y0, double x1, double y1) {
  Ink ink;
  const int left = std::max(0, static_cast<int>(std::ceil(x0)));
  const int right = std::min(image.width, static_cast<int>(std::floor(x1)));
  const int top = std::max(0, static_cast<int>(std::ceil(y0)));
  const int bottom = std::min(image.height, static_cast<int>(std::floor(y1)));
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x) {
      const auto* p = &image.rgb[(static_cast<std::size_t>(y) * image.width + x) * 3];
      const int r = p[0], g = p[1], b = p[2];
      if (std::min({r, g, b}) < 200) ++ink.any;
      if (r > g + 60 && r > b + 60) ++ink.red;
    }
  }
  return ink;
}

// Today as the header writes it: day first or month first.
std::string DateToday(const char* separator, bool dayFirst) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  const int first = dayFirst ? local.tm_mday : local.tm_mon + 1;
  const int second = dayFirst ? local.tm_mon + 1 : local.tm_mday;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02d%s%02d%s%04d", first, separator, second, separator,
                local.tm_year + 1900);
  return buf;
}

struct LocaleCase {
  const char* name;
  const char* weekdays;  // alternatives of the abbreviated weekday
  const char* decimal;
  double pageWidth, pageHeight;  // points
  bool dayFirst;                 // the locale writes the day before the month
};

void PrintTo(const LocaleCase& c, std::ostream* os) { *os << c.name; }

class PrintToPdf : public ::testing::TestWithParam<LocaleCase> {
 protected:
  void SetUp() override {
    if (Shell("command -v pdftotext >/dev/null && command -v pdftoppm >/dev/null") != 0) {
      GTEST_SKIP() << "the PDF is read back with pdftotext and pdftoppm (poppler-utils), "
                      "which this machine lacks";
    }
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = info->name();
    for (char& c : name) {
      if (c == '/') c = '_';
    }
    dir_ = fs::path(WORK_DIR) / "print-work" / name;
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }

  // Runs the script through the batch driver printing to tape.pdf.
  fs::path PrintScript(const std::string& script) {
    const fs::path scriptFile = dir_ / "script.txt";
    std::ofstream(scriptFile, std::ios::binary) << script;
    const fs::path pdf = dir_ / "tape.pdf";
    tally::testing::DriverProcess driver(
        {"--locale", GetParam().name, "--error-log", (dir_ / "ErrorLog.txt").string(),
         "--print-to", pdf.string(), scriptFile.string()},
        "");
    const auto& outcome = driver.Wait();
    EXPECT_TRUE(outcome.exited && outcome.status == 0) << outcome.err;
    return pdf;
  }

  std::vector<Box> Lines(const fs::path& pdf) {
    const fs::path html = dir_ / "bbox.html";
    EXPECT_EQ(Shell("pdftotext -raw -bbox " + Quote(pdf) + " " + Quote(html)), 0)
        << "pdftotext from poppler-utils is needed";
    return GroupLines(ReadWords(html));
  }

  fs::path dir_;
};

const std::string kEnDash = "\xE2\x80\x93";
const std::string kSeparator(23, '*');

TEST_P(PrintToPdf, ColumnsPagesHeaderAndColours) {
  const LocaleCase& lc = GetParam();
  // 60 calculations of five lines: more than four columns of A4 or Letter,
  // so the job goes on to a second page.
  std::string script = "{decimals 2}";
  std::vector<std::string> tape;
  for (int k = 0; k < 60; ++k) {
    script += "5+2-1==";
    for (const std::string& line :
         {"+ 5" + std::string(lc.decimal) + "00", "+ 2" + std::string(lc.decimal) + "00",
          kEnDash + " 1" + lc.decimal + "00", "= 6" + std::string(lc.decimal) + "00", kSeparator}) {
      tape.push_back(line);
    }
  }
  script += "p";
  const std::string before = DateToday("/", lc.dayFirst);
  const fs::path pdf = PrintScript(script);
  const std::string after = DateToday("/", lc.dayFirst);
  const auto lines = Lines(pdf);
  ASSERT_EQ(lines.size(), tape.size() + 1);

  // The header, once, at the top-left of the printable area.
  const Box& header = lines[0];
  const std::regex picture(std::string(R"(Tallyroller \(Impresso em: )") + "(" + lc.weekdays +
                           R"()\. )" +
                           R"((\d\d/\d\d/\d\d\d\d) @ (0[1-9]|1[0-2]):[0-5]\d (AM|PM)\))");
  std::smatch m;
  ASSERT_TRUE(std::regex_match(header.text, m, picture)) << header.text;
  // Read back in the locale's order: day/month in pt_BR, month/day in en_US.
  EXPECT_TRUE(m[2] == before || m[2] == after) << m[2] << " vs " << before;
  EXPECT_EQ(header.page, 1);
  EXPECT_NEAR(header.xMin, kMargin, 0.05);
  EXPECT_NEAR(header.yMin, kMargin, 0.05);

  // Every line ends on a column's right edge, columns left to right on each
  // page; the second column starts level with the first, at TapeTop; the
  // second page starts at the top, in the first column.
  std::vector<Image> pages;
  ASSERT_EQ(Shell("pdftoppm -r 72 " + Quote(pdf) + " " + Quote(dir_ / "page")), 0);
  for (int page = 1; page <= 2; ++page) {
    pages.push_back(ReadPpm(dir_ / ("page-" + std::to_string(page) + ".ppm")));
    ASSERT_EQ(pages.back().width, std::lround(lc.pageWidth));
    ASSERT_EQ(pages.back().height, std::lround(lc.pageHeight));
  }
  EXPECT_FALSE(fs::exists(dir_ / "page-3.ppm"));

  int lastPage = 1;
  int lastColumn = 1;
  const Box* firstOfColumn[3][5] = {};
  for (std::size_t k = 1; k < lines.size(); ++k) {
    const Box& line = lines[k];
    SCOPED_TRACE("tape line " + std::to_string(k - 1) + " \"" + line.text + "\"");
    ASSERT_EQ(line.text, tape[k - 1]);
    const double column = (line.xMax - kMargin) / kColumnStep;
    const int c = static_cast<int>(std::lround(column));
    ASSERT_NEAR(column, c, 0.05 / kColumnStep) << line.xMax;
    ASSERT_GE(c, 1);
    ASSERT_LE(c, 4);
    ASSERT_GE(line.page, lastPage);
    if (line.page == lastPage) {
      ASSERT_GE(c, lastColumn);
    }
    lastPage = line.page;
    lastColumn = c;
    if (!firstOfColumn[line.page][c]) firstOfColumn[line.page][c] = &line;

    // Colours, inside the line's own column.
    const Ink ink = InkIn(pages[line.page - 1], line.xMax - kColumnStep + 1, line.yMin + 1,
                          line.xMax, line.yMax - 1);
    EXPECT_GT(ink.any, 0);
    if (line.text.find(kEnDash) != std::string::npos) {
      EXPECT_GT(ink.red, 0);
    } else {
      EXPECT_EQ(ink.red, 0);
    }
  }
  for (int c = 1; c <= 4; ++c) ASSERT_TRUE(firstOfColumn[1][c]) << c;
  ASSERT_TRUE(firstOfColumn[2][1]);
  const double tapeTop = firstOfColumn[1][1]->yMin;
  EXPECT_GT(tapeTop, header.yMax);
  EXPECT_NEAR(firstOfColumn[1][1]->xMax, kMargin + 1.5 * 72, 0.05);
  EXPECT_NEAR(firstOfColumn[1][2]->xMax, kMargin + 3.0 * 72, 0.05);
  EXPECT_NEAR(firstOfColumn[1][2]->yMin, tapeTop, 0.01);
  EXPECT_NEAR(firstOfColumn[1][4]->yMin, tapeTop, 0.01);
  EXPECT_NEAR(firstOfColumn[2][1]->yMin, header.yMin, 0.01);

  // The header and the rule under it are black.
  EXPECT_EQ(InkIn(pages[0], 0, 0, lc.pageWidth, tapeTop).red, 0);
  EXPECT_GT(
      InkIn(pages[0], lc.pageWidth - 60, header.yMax - 1, lc.pageWidth - kMargin, tapeTop).any, 0);
}

// The separator of 23 asterisks is wider than its column. Beside a red line
// of the column to its left, no black ink may lie left of its own column.
TEST_P(PrintToPdf, ASeparatorStaysInItsOwnColumn) {
  const LocaleCase& lc = GetParam();
  // A long calculation of red lines fills the first columns; short ones
  // follow, each closed by a separator, beside those red lines.
  std::string script = "{decimals 2}0";
  for (int n = 0; n < 140; ++n) script += "-1";
  script += "==";
  for (int k = 0; k < 30; ++k) script += "0-1-1==";
  const fs::path pdf = PrintScript(script + "p");
  const auto lines = Lines(pdf);
  ASSERT_GT(lines.size(), 200u);
  ASSERT_EQ(Shell("pdftoppm -r 72 -f 1 -l 1 " + Quote(pdf) + " " + Quote(dir_ / "page")), 0);
  const Image page = ReadPpm(dir_ / "page-1.ppm");
  ASSERT_GT(page.width, 0);

  int checked = 0;
  for (const Box& separator : lines) {
    if (separator.page != 1 || separator.text != kSeparator) continue;
    const int column = static_cast<int>(std::lround((separator.xMax - kMargin) / kColumnStep));
    if (column < 2) continue;
    const double left = kMargin + (column - 1) * kColumnStep;
    for (const Box& beside : lines) {
      if (beside.page != 1 || std::abs(beside.yMin - separator.yMin) > 0.5) continue;
      if (std::abs(beside.xMax - left) > 0.5 || beside.text.find(kEnDash) == std::string::npos) {
        continue;
      }
      SCOPED_TRACE("separator in column " + std::to_string(column) + " beside \"" + beside.text +
                   "\"");
      // The asterisks sit in the upper half of the line.
      const Ink ink = InkIn(page, left - 12, separator.yMin, left - 0.5, separator.yMax);
      EXPECT_EQ(ink.any - ink.red, 0);
      EXPECT_GT(ink.red, 0);  // the red line itself is there
      ++checked;
    }
  }
  EXPECT_GT(checked, 3) << lc.name;
}

TEST_P(PrintToPdf, EachJobReplacesTheFile) {
  // Two jobs, the tape cleared between them: the file holds the second.
  const fs::path pdf = PrintScript("{decimals 2}1+pL2+{click Imprimir}");
  const auto lines = Lines(pdf);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1].text, std::string("+ 2") + GetParam().decimal + "00");
}

TEST_P(PrintToPdf, AnEmptyTapeStartsNoJob) {
  const fs::path pdf = PrintScript("pP{click Imprimir}");
  EXPECT_FALSE(fs::exists(pdf));
}

INSTANTIATE_TEST_SUITE_P(
    Locales, PrintToPdf,
    ::testing::Values(LocaleCase{"pt_BR", "dom|seg|ter|qua|qui|sex|sáb", ",", 595, 842, true},
                      LocaleCase{"en_US", "Sun|Mon|Tue|Wed|Thu|Fri|Sat", ".", 612, 792, false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
