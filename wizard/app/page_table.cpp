#include "calib_frm.h"
#include "fz_frm.h"
#include "imr_frm.h"
#include "ipt_frm.h"
#include "pages.h"
#include "pover_v_frm.h"
#include "prizm_frm.h"
#include "rep_frm.h"
#include "set_fz_frm.h"
#include "setup_frm.h"
#include "shift_z_frm.h"
#include "stabil_frm.h"
#include "sys_frm.h"
#include "usi_frm.h"

namespace trelon::wizard {

namespace {
template <class T>
TPageFactory Make() {
    return [] { return new T; };
}
}  // namespace

TPageTable ProgramPages() {
    return {
        {TPageId::SysFrm, Make<TSysFrm>()},       {TPageId::SetupFrm, Make<TSetupFrm>()},
        {TPageId::FzFrm, Make<TFzFrm>()},         {TPageId::CalibFrm, Make<TCalibFrm>()},
        {TPageId::SetFzFrm, Make<TSetFzFrm>()},   {TPageId::StabilFrm, Make<TStabilFrm>()},
        {TPageId::PoverVFrm, Make<TPoverVFrm>()}, {TPageId::RepFrm, Make<TRepFrm>()},
        {TPageId::ShiftZFrm, Make<TShiftZFrm>()}, {TPageId::ImrFrm, Make<TImrFrm>()},
        {TPageId::IptFrm, Make<TIptFrm>()},       {TPageId::UsiFrm, Make<TUsiFrm>()},
        {TPageId::PrizmFrm, Make<TPrizmFrm>()},
    };
}

}  // namespace trelon::wizard
