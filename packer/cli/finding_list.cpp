// One printer for the findings of check, info and pack --force.
#include "finding_list.h"

#include "printable.h"

void PrintFindings(std::ostream& out, const std::vector<EntryFinding>& findings,
                   const std::string& prefix, const CodePageTable* page) {
  for (const EntryFinding& f : findings) {
    out << prefix;
    if (!f.entry.empty())
      out << "\"" << Printable(page ? FromCodePage(f.entry, *page) : f.entry) << "\": ";
    out << Printable(f.reason) << "\n";
  }
}
