// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound_list.h"

#include <set>
#include <sstream>

namespace soundgen {

namespace {

bool validName(const std::string& s) {
  if (s.empty()) return false;
  for (char c : s)
    if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) return false;
  return true;
}

bool parseMs(const std::string& s, int& out) {
  if (s.empty() || s.size() > 7) return false;
  int v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  out = v;
  return true;
}

}  // namespace

bool parseSoundList(const std::string& text, SoundList& out, std::string& error) {
  out = {};
  std::istringstream in(text);
  std::string line;
  std::set<std::string> names;
  int lineNo = 0;
  auto fail = [&](const std::string& why) {
    error = "line " + std::to_string(lineNo) + ": " + why;
    return false;
  };
  while (std::getline(in, line)) {
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::istringstream fields(line);
    std::string keyword;
    if (!(fields >> keyword) || keyword[0] == '#') continue;
    std::vector<std::string> rest;
    for (std::string f; fields >> f;) rest.push_back(f);
    if (keyword == "wav") {
      if (rest.size() != 3) return fail("expected: wav NAME KIND TEXT");
      WavEntry e;
      e.name = rest[0];
      if (!validName(e.name)) return fail("bad file name '" + e.name + "'");
      if (!names.insert(e.name).second) return fail("file '" + e.name + "' listed twice");
      if (rest[1] == "initial") e.kind = WavKind::Initial;
      else if (rest[1] == "syllable") e.kind = WavKind::Syllable;
      else if (rest[1] == "letter") e.kind = WavKind::Letter;
      else if (rest[1].size() == 8 && rest[1].compare(0, 7, "neutral") == 0 && rest[1][7] >= '1' &&
               rest[1][7] <= '4') {
        e.kind = WavKind::Neutral;
        e.after = rest[1][7] - '0';
      } else return fail("unknown kind '" + rest[1] + "'");
      e.text = rest[2];
      out.wavs.push_back(e);
    } else if (keyword == "seg") {
      if (rest.size() != 3) return fail("expected: seg FIRST_MS LAST_MS TEXT");
      SegmentEntry e;
      if (!parseMs(rest[0], e.firstMs) || !parseMs(rest[1], e.lastMs) || e.lastMs <= e.firstMs)
        return fail("bad range " + rest[0] + " to " + rest[1]);
      e.text = rest[2];
      out.segments.push_back(e);
    } else {
      return fail("unknown keyword '" + keyword + "'");
    }
  }
  for (size_t i = 0; i < out.segments.size(); ++i)
    for (size_t j = i + 1; j < out.segments.size(); ++j) {
      const auto& a = out.segments[i];
      const auto& b = out.segments[j];
      if (a.firstMs == b.firstMs) {
        error = "two ranges start at " + std::to_string(a.firstMs) + " ms";
        return false;
      }
    }
  return true;
}

}  // namespace soundgen
