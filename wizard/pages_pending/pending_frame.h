// Base of the placeholder pages: an empty body and operations that do nothing. A
// placeholder in the page list lets the operator go on with Prev and Next.
#pragma once

#include "base_frame.h"
#include "main_form.h"

namespace trelon::wizard {

class TPendingFrame : public TBaseFrame {
  public:
    enum class TPlace { PageList, Tab };

    // An empty name or caption keeps the base values.
    TPendingFrame(TPlace place, const QString& name = {}, const QString& caption = {})
        : place_(place) {
        if (!name.isEmpty()) SetFrameName(name);
        if (!caption.isEmpty()) SetCaption(caption);
    }

    void Enter(QWidget* container) override {
        if (place_ == TPlace::Tab) return;
        TBaseFrame::Enter(container);
        if (TMainForm* form = MainForm()) {
            form->SetPrevEnabled(true);
            form->SetNextEnabled(true);
        }
    }
    bool RunAuto() override { return false; }
    void DeviceRemoved(QObject*) override {}
    void WriteReport(TReportWorkbook&) override {}

  private:
    TPlace place_;
};

}  // namespace trelon::wizard
