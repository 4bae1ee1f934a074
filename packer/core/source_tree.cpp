// Walking the input folders.
#include "source_tree.h"

#include <algorithm>
#include <iostream>

#include "errors.h"
#include "name_collisions.h"
#include "source_fs.h"
#include "stub_compat.h"

namespace {

struct FileId {
  uint64_t dev;
  uint64_t ino;
  bool operator==(const FileId& o) const { return dev == o.dev && ino == o.ino; }
};

struct Walker {
  std::vector<SourceEntry> entries;
  std::vector<std::string> problems;
  std::vector<FileId> ancestors;  // folders open above the one being read
  const ExcludePatterns* excludes = nullptr;
  bool haveOutput = false;
  FileId output{};
  std::string outputPath;

  void Problem(const std::string& name, const std::string& reason) {
    problems.push_back("\"" + name + "\": " + reason);
  }

  // `shown` is the entry name so far (UTF-8, "" for the top of a folder
  // input); `path` the native path.  False when nothing was added below it.
  bool Add(const std::string& path, const std::string& shown, bool top) {
    FsEntry st = InspectPath(path);
    const std::string& name = top ? path : shown;
    // The top of a folder INPUT is no entry; a file INPUT is one by its base name.
    if (!shown.empty() && excludes->Excludes(shown, st.kind == FsEntry::kFolder)) return false;
    if (st.danglingLink) {
      Problem(name, "symbolic link to something that does not exist");
      return true;
    }
    if (st.kind == FsEntry::kMissing) {
      Problem(name, "cannot read: " + st.error);
      return true;
    }
    FileId id{st.device, st.node};
    if (st.kind == FsEntry::kFile) {
      if (haveOutput && id == output) {
        std::cerr << "mksfx: note: " << outputPath << " is the output and is left out\n";
        return false;
      }
      SourceEntry e;
      e.shownName = shown;
      e.path = path;
      e.size = st.size;
      e.mtime = st.mtime;
      entries.push_back(e);
      return true;
    }
    if (st.kind != FsEntry::kFolder) {
      Problem(name, "neither a file nor a folder (a device, pipe or socket)");
      return true;
    }
    if (std::find(ancestors.begin(), ancestors.end(), id) != ancestors.end()) {
      Problem(name, "symbolic link to a folder that contains it; following it would never end");
      return true;
    }
    std::vector<std::string> names;
    std::string error;
    if (!ListFolder(path, names, error)) {
      Problem(name, "cannot read the folder: " + error);
      return true;
    }
    ancestors.push_back(id);
    bool any = false;
    for (const std::string& n : names)
      any |= Add(path + "/" + n, shown.empty() ? n : shown + "/" + n, false);
    ancestors.pop_back();
    if (!any && !top) {
      SourceEntry e;
      e.shownName = shown + "/";
      e.folder = true;
      e.mtime = st.mtime;
      entries.push_back(e);
    }
    return true;
  }
};

std::string BaseName(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

void CheckNames(std::vector<SourceEntry>& entries, const CodePageTable& page,
                std::vector<std::string>& problems) {
  // The entries the stub takes: their names as the stub will write them,
  // read back (a decomposed and a composed "é" are one name there), and as
  // given, for messages.
  std::vector<std::string> names, shown;
  for (SourceEntry& e : entries) {
    std::string problem;
    if (!ToCodePage(e.shownName, page, e.name, problem)) {
      problems.push_back("\"" + e.shownName + "\": " + problem);
      continue;
    }
    problem = EntryNameProblem(e.name);
    if (!problem.empty()) {
      problems.push_back("\"" + e.shownName + "\": " + problem);
      continue;
    }
    names.push_back(FromCodePage(e.name, page));
    shown.push_back(e.shownName);
  }
  for (const NameCollision& c : FindNameCollisions(names))
    problems.push_back("\"" + shown[c.entry] + "\": " + c.reason);
}

}  // namespace

std::string MoreProblemsLine(size_t more) {
  return "and " + std::to_string(more) + " more (--list-problems lists them all)";
}

void RefuseProblems(const std::vector<std::string>& problems, const std::string& summary,
                    bool listAll) {
  if (problems.empty()) return;
  std::string text = summary;
  size_t shown = listAll ? problems.size() : std::min(problems.size(), kProblemsShown);
  for (size_t i = 0; i < shown; ++i) text += "\n  " + problems[i];
  if (shown < problems.size()) text += "\n  " + MoreProblemsLine(problems.size() - shown);
  throw Refusal(text);
}

std::vector<SourceEntry> CollectSources(const std::vector<std::string>& inputs,
                                        const CodePageTable& page, const std::string& outputPath,
                                        const ExcludePatterns& excludes, bool listAll) {
  Walker w;
  w.excludes = &excludes;
  FsEntry out = InspectPath(outputPath);
  if (out.kind == FsEntry::kFile) {
    w.haveOutput = true;
    w.output = {out.device, out.node};
    w.outputPath = outputPath;
  }
  for (const std::string& input : inputs) {
    FsEntry st = InspectPath(input);
    if (st.kind == FsEntry::kMissing) throw Refusal(input + ": cannot open: " + st.error);
    if (st.kind == FsEntry::kFolder)
      w.Add(input, "", true);
    else
      w.Add(input, BaseName(input), true);
  }
  CheckNames(w.entries, page, w.problems);
  std::sort(w.problems.begin(), w.problems.end());
  RefuseProblems(w.problems, std::to_string(w.problems.size()) + " of the inputs cannot be packed:",
                 listAll);
  std::sort(w.entries.begin(), w.entries.end(),
            [](const SourceEntry& a, const SourceEntry& b) { return a.name < b.name; });
  return w.entries;
}
