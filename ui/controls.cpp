#include "ui/controls.h"

#include "ui/dialog.h"

namespace ui {

void CWnd::Bind(CDialog* owner, int id) {
  owner_ = owner;
  id_ = id;
}

WindowPort* CWnd::Port() const {
  return owner_ ? owner_->GetWindow() : nullptr;
}

void CWnd::EnableWindow(bool enable) {
  if (auto* p = Port()) p->EnableControl(id_, enable);
}
bool CWnd::IsWindowEnabled() const {
  auto* p = Port();
  return p && p->IsControlEnabled(id_);
}
void CWnd::ShowWindow(bool show) {
  if (auto* p = Port()) p->ShowControl(id_, show);
}
bool CWnd::IsWindowVisible() const {
  auto* p = Port();
  return p && p->IsControlVisible(id_);
}
void CWnd::SetWindowText(std::string_view text) {
  if (auto* p = Port()) p->SetText(id_, text);
}
std::string CWnd::GetWindowText() const {
  auto* p = Port();
  return p ? p->GetText(id_) : std::string();
}
void CWnd::SetFocus() {
  if (auto* p = Port()) p->SetFocus(id_);
}

void CButton::SetCheck(int state) {
  if (auto* p = Port()) p->SetCheck(id_, state);
}
int CButton::GetCheck() const {
  auto* p = Port();
  return p ? p->GetCheck(id_) : 0;
}

void CEdit::GetSel(int& start, int& end) const {
  start = end = 0;
  if (auto* p = Port()) p->GetSel(id_, start, end);
}
void CEdit::SetSel(int start, int end) {
  if (auto* p = Port()) p->SetSel(id_, start, end);
}
void CEdit::ReplaceSel(std::string_view text) {
  if (auto* p = Port()) p->ReplaceSel(id_, text);
}
bool CEdit::CanUndo() const {
  auto* p = Port();
  return p && p->CanUndo(id_);
}
bool CEdit::IsReadOnly() const {
  auto* p = Port();
  return p && p->IsReadOnly(id_);
}
void CEdit::Undo() {
  if (auto* p = Port()) p->Undo(id_);
}
void CEdit::Cut() {
  if (auto* p = Port()) p->Cut(id_);
}
void CEdit::Copy() {
  if (auto* p = Port()) p->Copy(id_);
}
void CEdit::Paste() {
  if (auto* p = Port()) p->Paste(id_);
}
void CEdit::Clear() {
  if (auto* p = Port()) p->Clear(id_);
}

int CListBox::AddString(std::string_view text) {
  auto* p = Port();
  return p ? p->AddString(id_, text) : LB_ERR;
}
int CListBox::InsertString(int index, std::string_view text) {
  auto* p = Port();
  return p ? p->InsertString(id_, index, text) : LB_ERR;
}
int CListBox::DeleteString(int index) {
  auto* p = Port();
  return p ? p->DeleteString(id_, index) : LB_ERR;
}
int CListBox::GetCount() const {
  auto* p = Port();
  return p ? p->GetCount(id_) : 0;
}
int CListBox::SetCurSel(int index) {
  auto* p = Port();
  return p ? p->SetCurSel(id_, index) : LB_ERR;
}
int CListBox::GetCurSel() const {
  auto* p = Port();
  return p ? p->GetCurSel(id_) : LB_ERR;
}
std::string CListBox::GetText(int index) const {
  auto* p = Port();
  return p ? p->GetItemText(id_, index) : std::string();
}

int CComboBox::AddString(std::string_view text) {
  auto* p = Port();
  return p ? p->AddString(id_, text) : CB_ERR;
}
int CComboBox::InsertString(int index, std::string_view text) {
  auto* p = Port();
  return p ? p->InsertString(id_, index, text) : CB_ERR;
}
int CComboBox::DeleteString(int index) {
  auto* p = Port();
  return p ? p->DeleteString(id_, index) : CB_ERR;
}
int CComboBox::GetCount() const {
  auto* p = Port();
  return p ? p->GetCount(id_) : 0;
}
int CComboBox::SetCurSel(int index) {
  auto* p = Port();
  return p ? p->SetCurSel(id_, index) : CB_ERR;
}
int CComboBox::GetCurSel() const {
  auto* p = Port();
  return p ? p->GetCurSel(id_) : CB_ERR;
}
std::string CComboBox::GetLBText(int index) const {
  auto* p = Port();
  return p ? p->GetItemText(id_, index) : std::string();
}
void CComboBox::ResetContent() {
  for (int i = GetCount() - 1; i >= 0; --i) DeleteString(i);
}

}  // namespace ui
