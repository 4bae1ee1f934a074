// Which entry names land on the same file or folder on Windows.
#include "name_collisions.h"

#include <map>

namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// The steps from a name to the path Windows opens, in the order applied; each
// comes with the words that explain it in a message.
struct Forms {
  std::string separators;  // "\" taken for "/"
  std::string components;  // empty and "." components dropped
  std::string trimmed;     // trailing dots and blanks of each component dropped
  std::u32string key;      // case folded: the name Windows compares
  bool folder = false;
};

const char* const kStepWords[] = {"reads \"\\\" as \"/\"", "skips \".\" and empty folder names",
                                  "drops trailing dots and blanks", "ignores case"};

Forms FormsOf(const std::string& name) {
  Forms f;
  f.separators = name;
  for (char& c : f.separators)
    if (c == '\\') c = '/';
  f.folder = !name.empty() && IsSeparator(name.back());
  for (size_t start = 0; start <= f.separators.size();) {
    size_t end = f.separators.find('/', start);
    if (end == std::string::npos) end = f.separators.size();
    std::string part = f.separators.substr(start, end - start);
    start = end + 1;
    if (part.empty() || part == ".") continue;
    if (!f.components.empty()) f.components += '/', f.trimmed += '/';
    f.components += part;
    while (!part.empty() && (part.back() == '.' || part.back() == ' ')) part.pop_back();
    f.trimmed += part;
  }
  f.key = FoldCase(f.trimmed);
  return f;
}

// ", which drops trailing dots and blanks and ignores case": the steps that changed
// either name while the two still differed.  The keys are equal, so names
// that differ up to the last step differ in case alone.
std::string Explanation(const Forms& a, const Forms& b, const std::string& rawA,
                        const std::string& rawB) {
  const std::string* form[][2] = {{&rawA, &rawB},
                                  {&a.separators, &b.separators},
                                  {&a.components, &b.components},
                                  {&a.trimmed, &b.trimmed}};
  const int kSteps = sizeof kStepWords / sizeof kStepWords[0];
  std::vector<const char*> steps;
  for (int step = 0; step < kSteps && *form[step][0] != *form[step][1]; ++step)
    if (step + 1 == kSteps || *form[step][0] != *form[step + 1][0] ||
        *form[step][1] != *form[step + 1][1])
      steps.push_back(kStepWords[step]);
  std::string text;
  for (size_t i = 0; i < steps.size(); ++i)
    text += (i == 0 ? ", which " : i + 1 == steps.size() ? " and " : ", ") + std::string(steps[i]);
  return text;
}

}  // namespace

std::vector<NameCollision> FindNameCollisions(const std::vector<std::string>& names) {
  std::vector<NameCollision> found;
  std::vector<Forms> forms;
  for (const std::string& n : names) forms.push_back(FormsOf(n));
  // Folder keys: the first folder entry of each, and the first name that
  // holds something below it.
  std::map<std::u32string, size_t> files, folderEntries, holders;
  for (size_t i = 0; i < names.size(); ++i) {
    const Forms& f = forms[i];
    if (f.key.empty()) {
      if (!f.folder)
        found.push_back({i, "names the destination folder itself, where no file can be written"});
      continue;
    }
    if (f.folder) {
      folderEntries.emplace(f.key, i);
    } else {
      auto hit = files.emplace(f.key, i);
      if (!hit.second) {
        size_t j = hit.first->second;
        found.push_back({i, "the same name as \"" + names[j] + "\"" +
                                (names[i] == names[j] ? std::string()
                                                      : " on Windows" + Explanation(forms[j], f, names[j], names[i]))});
      }
    }
    for (size_t slash = f.key.find(U'/'); slash != std::u32string::npos;
         slash = f.key.find(U'/', slash + 1))
      holders.emplace(f.key.substr(0, slash), i);
  }
  for (size_t i = 0; i < names.size(); ++i) {
    const Forms& f = forms[i];
    if (f.folder || f.key.empty()) continue;
    auto held = holders.find(f.key);
    auto entry = folderEntries.find(f.key);
    if (held != holders.end())
      found.push_back({i, "a file of the same name as a folder holding \"" + names[held->second] + "\""});
    else if (entry != folderEntries.end())
      found.push_back({i, "a file of the same name as the folder entry \"" + names[entry->second] + "\""});
  }
  return found;
}
