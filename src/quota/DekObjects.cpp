#include "quota/DekObjects.h"

namespace xxj {

XXJ_DEFINE_ROW_CLASS(TDek_TDEZM, TBaseDek, XXJ_PROPS_TDek_TDEZM, nullptr)
XXJ_DEFINE_ROW_CLASS(TDek_TGLJZM, TBaseDek, XXJ_PROPS_TDek_TGLJZM, nullptr)
XXJ_DEFINE_ROW_CLASS(TDek_TZJMC, TBaseDek, XXJ_PROPS_TDek_TZJMC, nullptr)
XXJ_DEFINE_ROW_CLASS(TDek_TZNHS, TBaseDek, XXJ_PROPS_TDek_TZNHS, nullptr)
XXJ_DEFINE_ROW_CLASS(TDek_TFeeFrameFile, TBaseDek, XXJ_PROPS_TDek_TFeeFrameFile, "Unit")
XXJ_DEFINE_ROW_CLASS(TDek_TZHDEXX, TBaseDek, XXJ_PROPS_TDek_TZHDEXX, nullptr)
XXJ_DEFINE_ROW_CLASS(TDek_TGLJXXJ, TBaseDek, XXJ_PROPS_TDek_TGLJXXJ, nullptr)
XXJ_DEFINE_ROW_CLASS(TDek_TXXJ, TBaseDek, XXJ_PROPS_TDek_TXXJ, nullptr)
XXJ_DEFINE_ROW_CLASS(TDek_TBudgetRule, TBaseDek, XXJ_PROPS_TDek_TBudgetRule, nullptr)
XXJ_DEFINE_ROW_CLASS(TDek_TBudgetRuleDetail, TBaseDek, XXJ_PROPS_TDek_TBudgetRuleDetail, nullptr)
XXJ_DEFINE_ROW_CLASS(TDek_TDetailTableInfo, TBaseDek, XXJ_PROPS_TDek_TDetailTableInfo, nullptr)
XXJ_DEFINE_ROW_CLASS(TDek_TDEZM_GLDE, TBaseDek, XXJ_PROPS_TDek_TDEZM_GLDE, nullptr)
XXJ_DEFINE_ROW_CLASS(TDek_TDEZM_JX, TBaseDek, XXJ_PROPS_TDek_TDEZM_JX, nullptr)
XXJ_DEFINE_ROW_CLASS(TDek_TFeeFile, TBaseDek, XXJ_PROPS_TDek_TFeeFile, nullptr)
XXJ_DEFINE_ROW_CLASS(TDek_TFeeFrameMng, TBaseDek, XXJ_PROPS_TDek_TFeeFrameMng, nullptr)
XXJ_DEFINE_ROW_CLASS(TDek_tfymb_flfltj, TBaseDek, XXJ_PROPS_TDek_tfymb_flfltj, nullptr)
XXJ_DEFINE_ROW_CLASS(TDek_tfymb_flms, TBaseDek, XXJ_PROPS_TDek_tfymb_flms, nullptr)
XXJ_DEFINE_ROW_CLASS(TDek_TGLJFL, TBaseDek, XXJ_PROPS_TDek_TGLJFL, nullptr)
XXJ_DEFINE_ROW_CLASS(TDek_TGLZMKC, TBaseDek, XXJ_PROPS_TDek_TGLZMKC, nullptr)
XXJ_DEFINE_ROW_CLASS(TDek_TJXSZ, TBaseDek, XXJ_PROPS_TDek_TJXSZ, nullptr)
XXJ_DEFINE_ROW_CLASS(TDek_TPriceAnalysis, TBaseDek, XXJ_PROPS_TDek_TPriceAnalysis, "Unit")
XXJ_DEFINE_ROW_CLASS(TDek_TpriceAnalysis_DEZM, TBaseDek, XXJ_PROPS_TDek_TpriceAnalysis_DEZM,
                     nullptr)
XXJ_DEFINE_ROW_CLASS(TDek_TpriceAnalysisMng, TBaseDek, XXJ_PROPS_TDek_TpriceAnalysisMng, nullptr)
XXJ_DEFINE_ROW_CLASS(TDek_TpriceAnalysisRelate, TBaseDek, XXJ_PROPS_TDek_TpriceAnalysisRelate,
                     nullptr)
XXJ_DEFINE_ROW_CLASS(TDek_TpriceAnalysisTariff, TBaseDek, XXJ_PROPS_TDek_TpriceAnalysisTariff,
                     nullptr)
XXJ_DEFINE_ROW_CLASS(TDek_TVersion, TBaseDek, XXJ_PROPS_TDek_TVersion, nullptr)
XXJ_DEFINE_ROW_CLASS(TDek_TwageAdjustPlan, TBaseDek, XXJ_PROPS_TDek_TwageAdjustPlan, nullptr)
XXJ_DEFINE_ROW_CLASS(TDek_TwageAdjustPlanDetail, TBaseDek, XXJ_PROPS_TDek_TwageAdjustPlanDetail,
                     nullptr)
XXJ_DEFINE_ROW_CLASS(TDek_TZD, TBaseDek, XXJ_PROPS_TDek_TZD, nullptr)
XXJ_DEFINE_ROW_CLASS(TDek_tzd_lx_table_field, TBaseDek, XXJ_PROPS_TDek_tzd_lx_table_field, nullptr)
XXJ_DEFINE_ROW_CLASS(TDek_TGLJXXJGL, TBaseDek, XXJ_PROPS_TDek_TGLJXXJGL, nullptr)
XXJ_DEFINE_ROW_CLASS(TDek_TZD_DELX, TBaseDek, XXJ_PROPS_TDek_TZD_DELX, nullptr)
XXJ_DEFINE_ROW_CLASS(TDek_TcompCalMethod, TBaseDek, XXJ_PROPS_TDek_TcompCalMethod, nullptr)
XXJ_DEFINE_ROW_CLASS(TDek_TcompCalParams, TBaseDek, XXJ_PROPS_TDek_TcompCalParams, nullptr)
XXJ_DEFINE_ROW_CLASS(TDek_TRptDataSource, TBaseDek, XXJ_PROPS_TDek_TRptDataSource, nullptr)
XXJ_DEFINE_ROW_CLASS(TDek_TRptHeadnote, TBaseDek, XXJ_PROPS_TDek_TRptHeadnote, nullptr)
XXJ_DEFINE_ROW_CLASS(TDek_TRptSystemVar, TBaseDek, XXJ_PROPS_TDek_TRptSystemVar, nullptr)
XXJ_DEFINE_ROW_CLASS(TDek_TGLJZM_CalExpr, TBaseDek, XXJ_PROPS_TDek_TGLJZM_CalExpr, nullptr)
XXJ_DEFINE_ROW_CLASS(TDek_TGLXS_Group, TBaseDek, XXJ_PROPS_TDek_TGLXS_Group, nullptr)
XXJ_DEFINE_ROW_CLASS(TDek_TGLXS_Detail, TBaseDek, XXJ_PROPS_TDek_TGLXS_Detail, nullptr)
XXJ_DEFINE_ROW_CLASS(TDek_TAQWMSGQFBZ, TBaseDek, XXJ_PROPS_TDek_TAQWMSGQFBZ, nullptr)
XXJ_DEFINE_ROW_CLASS(TDek_TZD_BorrowDEZMAdjust, TBaseDek, XXJ_PROPS_TDek_TZD_BorrowDEZMAdjust,
                     nullptr)
XXJ_DEFINE_ROW_CLASS(TDek_TPageSetupField, TBaseDek, XXJ_PROPS_TDek_TPageSetupField, nullptr)
XXJ_DEFINE_ROW_CLASS(TDek_TPageSetupRec, TBaseDek, XXJ_PROPS_TDek_TPageSetupRec, nullptr)
XXJ_DEFINE_ROW_CLASS(TDek_TDekOption, TBaseDek, XXJ_PROPS_TDek_TDekOption, nullptr)
XXJ_DEFINE_ROW_CLASS(TDek_TQdzy, TBaseDek, XXJ_PROPS_TDek_TQdzy, nullptr)
XXJ_DEFINE_ROW_CLASS(TDek_TDEZM_DXXS, TBaseDek, XXJ_PROPS_TDek_TDEZM_DXXS, nullptr)
XXJ_DEFINE_ROW_CLASS(TDek_TDEZM_NCFJSB, TBaseDek, XXJ_PROPS_TDek_TDEZM_NCFJSB, nullptr)
XXJ_DEFINE_ROW_CLASS(TDek_TGCXX, TBaseDek, XXJ_PROPS_TDek_TGCXX, nullptr)
XXJ_DEFINE_ROW_CLASS(TDek_TGCTZ, TBaseDek, XXJ_PROPS_TDek_TGCTZ, nullptr)
XXJ_DEFINE_ROW_CLASS(TDek_TZJZB, TBaseDek, XXJ_PROPS_TDek_TZJZB, nullptr)
XXJ_DEFINE_ROW_CLASS(TDek_TJJZB, TBaseDek, XXJ_PROPS_TDek_TJJZB, nullptr)
XXJ_DEFINE_ROW_CLASS(TDek_TZYGLZB, TBaseDek, XXJ_PROPS_TDek_TZYGLZB, nullptr)
XXJ_DEFINE_ROW_CLASS(TDek_TZYGCLZB, TBaseDek, XXJ_PROPS_TDek_TZYGCLZB, nullptr)
XXJ_DEFINE_ROW_CLASS(TDek_TBudgetDict, TBaseDek, XXJ_PROPS_TDek_TBudgetDict, nullptr)
XXJ_DEFINE_ROW_CLASS(TDek_TBudgetDictDetail, TBaseDek, XXJ_PROPS_TDek_TBudgetDictDetail, nullptr)
XXJ_DEFINE_ROW_CLASS(TDek_TGLJZM_CalExprMain, TBaseDek, XXJ_PROPS_TDek_TGLJZM_CalExprMain, nullptr)
XXJ_DEFINE_ROW_CLASS(TDek_TGLJZM_CalExprDetail, TBaseDek, XXJ_PROPS_TDek_TGLJZM_CalExprDetail,
                     nullptr)
XXJ_DEFINE_ROW_CLASS(TDek_TZMGC_ZDHS, TBaseDek, XXJ_PROPS_TDek_TZMGC_ZDHS, nullptr)
XXJ_DEFINE_ROW_CLASS(TDek_TZMGC_SubDEZM_ZDHS, TBaseDek, XXJ_PROPS_TDek_TZMGC_SubDEZM_ZDHS, nullptr)

XXJ_DEFINE_ROW_CLASS(TDek_TGLJZM_DJ, TBaseDek, XXJ_PROPS_TDek_TGLJZM_DJ, nullptr)
XXJ_DEFINE_ROW_CLASS(TDek_TGLZMGC, TBaseDek, XXJ_PROPS_TDek_TGLZMGC, nullptr)
XXJ_DEFINE_ROW_CLASS(TDek_TXXJ_Ex, TDek_TXXJ, XXJ_PROPS_TDek_TXXJ_Ex, nullptr)

namespace {

constexpr TDekTableInfo kTables[] = {
    {"TDEZMs", "TDEZM", &TDek_TDEZM::ClassRef, "ID", true},
    {"TGLJZMs", "TGLJZM", &TDek_TGLJZM::ClassRef, "ID", true},
    {"TZJMCs", "TZJMC", &TDek_TZJMC::ClassRef, "ID", true},
    {"TZNHSs", "TZNHS", &TDek_TZNHS::ClassRef, "ID", true},
    {"TFeeFrameFiles", "TFeeFrameFile", &TDek_TFeeFrameFile::ClassRef, nullptr, true},
    {"TZHDEXXs", "TZHDEXX", &TDek_TZHDEXX::ClassRef, "DEZM_ID", true},
    {"TGLJXXJs", "TGLJXXJ", &TDek_TGLJXXJ::ClassRef, nullptr, true},
    {"TXXJs", "TXXJ", &TDek_TXXJ::ClassRef, "ID", true},
    {"TBudgetRules", "TBudgetRule", &TDek_TBudgetRule::ClassRef, "BudgetRule", true},
    {"TBudgetRuleDetails", "TBudgetRuleDetail", &TDek_TBudgetRuleDetail::ClassRef, nullptr, true},
    {"TDetailTableInfos", "TDetailTableInfo", &TDek_TDetailTableInfo::ClassRef, nullptr, true},
    {"TDEZM_GLDEs", "TDEZM_GLDE", &TDek_TDEZM_GLDE::ClassRef, nullptr, true},
    {"TDEZM_JXs", "TDEZM_JX", &TDek_TDEZM_JX::ClassRef, "ZMBH", false},
    {"TFeeFiles", "TFeeFile", &TDek_TFeeFile::ClassRef, "FeeFileID", true},
    {"TFeeFrameMngs", "TFeeFrameMng", &TDek_TFeeFrameMng::ClassRef, "FeeFrameID", true},
    {"tfymb_flfltjs", "tfymb_flfltj", &TDek_tfymb_flfltj::ClassRef, nullptr, true},
    {"tfymb_flmss", "tfymb_flms", &TDek_tfymb_flms::ClassRef, nullptr, true},
    {"TGLJFLs", "TGLJFL", &TDek_TGLJFL::ClassRef, "ID", true},
    {"TGLZMKCs", "TGLZMKC", &TDek_TGLZMKC::ClassRef, nullptr, true},
    {"TJXSZs", "TJXSZ", &TDek_TJXSZ::ClassRef, nullptr, true},
    {"TPriceAnalysiss", "TPriceAnalysis", &TDek_TPriceAnalysis::ClassRef, nullptr, true},
    {"TpriceAnalysis_DEZMs", "TpriceAnalysis_DEZM", &TDek_TpriceAnalysis_DEZM::ClassRef, nullptr,
     true},
    {"TpriceAnalysisMngs", "TpriceAnalysisMng", &TDek_TpriceAnalysisMng::ClassRef, "ID", true},
    {"TpriceAnalysisRelates", "TpriceAnalysisRelate", &TDek_TpriceAnalysisRelate::ClassRef, nullptr,
     true},
    {"TpriceAnalysisTariffs", "TpriceAnalysisTariff", &TDek_TpriceAnalysisTariff::ClassRef, nullptr,
     true},
    {"TVersions", "TVersion", &TDek_TVersion::ClassRef, nullptr, true},
    {"TwageAdjustPlans", "TwageAdjustPlan", &TDek_TwageAdjustPlan::ClassRef, nullptr, true},
    {"TwageAdjustPlanDetails", "TwageAdjustPlanDetail", &TDek_TwageAdjustPlanDetail::ClassRef,
     nullptr, true},
    {"TZDs", "TZD", &TDek_TZD::ClassRef, nullptr, true},
    {"tzd_lx_table_fields", "tzd_lx_table_field", &TDek_tzd_lx_table_field::ClassRef, "DM", true},
    {"TGLJXXJGLs", "TGLJXXJGL", &TDek_TGLJXXJGL::ClassRef, nullptr, true},
    {"TZD_DELXs", "TZD_DELX", &TDek_TZD_DELX::ClassRef, "Id", true},
    {"TcompCalMethods", "TcompCalMethod", &TDek_TcompCalMethod::ClassRef, nullptr, true},
    {"TcompCalParamss", "TcompCalParams", &TDek_TcompCalParams::ClassRef, nullptr, true},
    {"TRptDataSources", "TRptDataSource", &TDek_TRptDataSource::ClassRef, nullptr, true},
    {"TRptHeadnotes", "TRptHeadnote", &TDek_TRptHeadnote::ClassRef, nullptr, true},
    {"TRptSystemVars", "TRptSystemVar", &TDek_TRptSystemVar::ClassRef, nullptr, true},
    {"TGLJZM_CalExprs", "TGLJZM_CalExpr", &TDek_TGLJZM_CalExpr::ClassRef, "Sequence", true},
    {"TGLXS_Groups", "TGLXS_Group", &TDek_TGLXS_Group::ClassRef, nullptr, true},
    {"TGLXS_Details", "TGLXS_Detail", &TDek_TGLXS_Detail::ClassRef, nullptr, true},
    {"TAQWMSGQFBZs", "TAQWMSGQFBZ", &TDek_TAQWMSGQFBZ::ClassRef, nullptr, true},
    {"TZD_BorrowDEZMAdjusts", "TZD_BorrowDEZMAdjust", &TDek_TZD_BorrowDEZMAdjust::ClassRef, nullptr,
     true},
    {"TPageSetupFields", "TPageSetupField", &TDek_TPageSetupField::ClassRef, nullptr, true},
    {"TPageSetupRecs", "TPageSetupRec", &TDek_TPageSetupRec::ClassRef, nullptr, true},
    {"TDekOptions", "TDekOption", &TDek_TDekOption::ClassRef, nullptr, true},
    {"TQdzys", "TQdzy", &TDek_TQdzy::ClassRef, nullptr, true},
    {"TDEZM_DXXSs", "TDEZM_DXXS", &TDek_TDEZM_DXXS::ClassRef, "Sequence", true},
    {"TDEZM_NCFJSBs", "TDEZM_NCFJSB", &TDek_TDEZM_NCFJSB::ClassRef, nullptr, true},
    {"TGCXXs", "TGCXX", &TDek_TGCXX::ClassRef, nullptr, true},
    {"TGCTZs", "TGCTZ", &TDek_TGCTZ::ClassRef, nullptr, true},
    {"TZJZBs", "TZJZB", &TDek_TZJZB::ClassRef, nullptr, true},
    {"TJJZBs", "TJJZB", &TDek_TJJZB::ClassRef, nullptr, true},
    {"TZYGLZBs", "TZYGLZB", &TDek_TZYGLZB::ClassRef, nullptr, true},
    {"TZYGCLZBs", "TZYGCLZB", &TDek_TZYGCLZB::ClassRef, nullptr, true},
    {"TBudgetDicts", "TBudgetDict", &TDek_TBudgetDict::ClassRef, nullptr, true},
    {"TBudgetDictDetails", "TBudgetDictDetail", &TDek_TBudgetDictDetail::ClassRef, nullptr, true},
    {"TGLJZM_CalExprMains", "TGLJZM_CalExprMain", &TDek_TGLJZM_CalExprMain::ClassRef, nullptr,
     true},
    {"TGLJZM_CalExprDetails", "TGLJZM_CalExprDetail", &TDek_TGLJZM_CalExprDetail::ClassRef, nullptr,
     true},
    {"TZMGC_ZDHSs", "TZMGC_ZDHS", &TDek_TZMGC_ZDHS::ClassRef, nullptr, true},
    {"TZMGC_SubDEZM_ZDHSs", "TZMGC_SubDEZM_ZDHS", &TDek_TZMGC_SubDEZM_ZDHS::ClassRef, nullptr,
     true},
};

}  // namespace

std::span<const TDekTableInfo> DekTables() {
  return kTables;
}

// The table classes are found by name when a project loads a table.
void RegisterDekObjects() {
  for (const TDekTableInfo& table : kTables) RegisterRowClass(table.rowClass());
}

}  // namespace xxj
