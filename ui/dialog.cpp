#include "ui/dialog.h"

#include "ui/data_exchange.h"

namespace ui {

namespace {
Host* g_host = nullptr;
}

void SetHost(Host* host) {
  g_host = host;
}
Host& CurrentHost() {
  return *g_host;
}

int AfxMessageBox(std::string_view text, unsigned type) {
  return g_host ? g_host->AppMessageBox(text, type) : IDOK;
}

CDialog::CDialog(int templateId) : templateId_(templateId) {}

const DialogTemplate* CDialog::Template() const {
  return GetResources().FindDialog(templateId_);
}

int CDialog::DoModal(CDialog* owner) {
  return g_host ? g_host->RunModal(*this, owner) : IDCANCEL;
}

bool CDialog::Create(int templateId, CDialog* owner) {
  templateId_ = templateId;
  return g_host && g_host->CreateModeless(*this, owner);
}

bool CDialog::UpdateData(bool saveAndValidate) {
  if (!window_) return false;
  CDataExchange dx(*this, saveAndValidate);
  DoDataExchange(dx);
  return !dx.Failed();
}

void CDialog::EndDialog(int result) {
  if (window_) window_->EndDialog(result);
}

bool CDialog::OnInitDialog() {
  UpdateData(false);
  return true;
}

void CDialog::OnOK() {
  if (!UpdateData(true)) return;
  EndDialog(IDOK);
}

void CDialog::OnCancel() {
  EndDialog(IDCANCEL);
}

bool CDialog::Dispatch(const Message& message) {
  if (ProcessMessage(message)) return true;
  if (message.kind == MsgKind::Command && message.code == Notification::Clicked) {
    if (message.id == IDOK) {
      OnOK();
      return true;
    }
    if (message.id == IDCANCEL) {
      OnCancel();
      return true;
    }
  }
  return false;
}

}  // namespace ui
