// List and text queries through the messages both platforms understand.
#include "test_dialog.h"

std::vector<std::string> ListItems(HWND dialog, int id) {
  HWND list = GetDlgItem(dialog, id);
  std::vector<std::string> items;
  int n = (int)SendMessageA(list, LB_GETCOUNT, 0, 0);
  for (int i = 0; i < n; ++i) {
    std::string s((size_t)SendMessageA(list, LB_GETTEXTLEN, (WPARAM)i, 0), '\0');
    std::vector<char> buffer(s.size() + 1);
    SendMessageA(list, LB_GETTEXT, (WPARAM)i, (LPARAM)buffer.data());
    items.push_back(buffer.data());
  }
  return items;
}

std::vector<std::string> SelectedItems(HWND dialog, int id) {
  HWND list = GetDlgItem(dialog, id);
  std::vector<std::string> items = ListItems(dialog, id), selected;
  for (size_t i = 0; i < items.size(); ++i)
    if (SendMessageA(list, LB_GETSEL, (WPARAM)i, 0) > 0) selected.push_back(items[i]);
  return selected;
}

void SelectAllItems(HWND dialog, int id) { SendMessageA(GetDlgItem(dialog, id), LB_SETSEL, TRUE, -1); }

std::string ControlText(HWND dialog, int id) {
  char text[1024] = "";
  SendMessageA(GetDlgItem(dialog, id), WM_GETTEXT, sizeof text, (LPARAM)text);
  return text;
}
