#include "GuideGenerator.h"

#include "base/CodePage.h"

#include <initializer_list>
#include <random>
#include <string_view>
#include <vector>

namespace tavren::bench {

namespace {

void Append(std::string& out, std::initializer_list<std::string_view> parts) {
  for (std::string_view part : parts) out += part;
}

}  // namespace

std::string GenerateGuide(const GuideShape& shape) {
  auto sjis = [](const char* utf8) { return cp932::FromUtf8(utf8); };
  const std::vector<std::string> places = {sjis("北海道"), sjis("青森"), sjis("東京"), sjis("箱根"), sjis("京都"),
                                           sjis("大阪"),   sjis("博多"), sjis("那覇"), sjis("金沢"), sjis("長野")};
  const std::vector<std::string> things = {sjis("温泉旅館"), sjis("ラーメン店"), sjis("美術館"),   sjis("公式サイト"),
                                           sjis("観光案内"), sjis("日帰り入浴"), sjis("露天風呂"), sjis("駅前食堂")};
  const std::vector<std::string> notes = {
      sjis("駅から徒歩五分、予約なしで入れます。"), sjis("毎週水曜日は定休日なのでご注意ください。"),
      sjis("地元の人に愛される老舗です。季節の料理が楽しめます。"), sjis("ＪＲ線「中央駅」下車、バスで約二十分。"),
      sjis("写真が多く、初めての方にもわかりやすいページです。")};
  const std::string more = sjis("詳しくはページで");
  const std::string number = sjis("　第");
  const std::string issue = sjis("号　");
  std::mt19937 rng(shape.seed);
  auto pick = [&rng](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng); };

  std::string out;
  out.reserve(static_cast<std::size_t>(shape.pages) * 150);
  out += "/,";
  out += sjis("全国の名所");
  out += ",";
  out += sjis("案内人　テスト");
  out += ",http://127.0.0.1:8372/soft/tavren/tavren.htm\r\n";
  for (int m = 0; m < shape.majors; ++m) out += "*,0," + sjis("地方") + std::to_string(m) + "\r\n";
  for (int m = 0; m < shape.middles; ++m) out += "+,0," + sjis("分類　") + std::to_string(m) + "\r\n";
  const int perMajor = shape.middles / shape.majors;
  for (int p = 0; p < shape.pages; ++p) {
    int major = static_cast<int>(pick(static_cast<std::size_t>(shape.majors)));
    int middle = major * perMajor + static_cast<int>(pick(static_cast<std::size_t>(perMajor)));
    std::string title = places[pick(places.size())] + things[pick(things.size())];
    std::string address =
        "http://www.example.jp/guide/area" + std::to_string(major) + "/page" + std::to_string(p) + ".html?from=tavren";
    const std::string ma = std::to_string(major);
    const std::string mi = std::to_string(middle);
    const std::string no = std::to_string(p);
    const std::string& note = notes[pick(notes.size())];
    switch (p % 4) {
      case 0:  // plain
        Append(out, {ma, ",", mi, ",", title, ",", address, ",", note});
        break;
      case 1:  // quoted title with an ASCII blank and a doubled quote
        Append(out, {ma, ",", mi, ",\"", title, " \"\"No.", no, "\"\"\",", address, ",", note});
        break;
      case 2:  // blanks and a tab around the separators, quoted note with commas
        Append(out, {" ", ma, " , ", mi, "\t,", title, " , ", address, " ,\"", note, ", ", more, "\""});
        break;
      default:  // ideographic spaces inside an unquoted title
        Append(out, {ma, ",", mi, ",", title, number, no, issue, ",", address, ",", note});
    }
    out += "\r\n";
  }
  return out;
}

}  // namespace tavren::bench
