#pragma once
// The row classes of the quota library tables. Each class is its table's
// schema: one property per column, in column order, with the column's type;
// the framework in BaseDekClasses does everything else. A class's
// property-index constants are named after its columns (TDek_TXXJ::JAN).

#include <span>

#include "quota/BaseDekClasses.h"

namespace xxj {

void RegisterDekObjects();

// --- The sixty tables, in the order a project declares and writes them ---

#define XXJ_PROPS_TDek_TDEZM(P)                                                                   \
  P(ID, Integer)                                                                                  \
  P(ZMBH, String)                                                                                 \
  P(ZMMC, String) P(DW, String) P(FYFL, Integer) P(BudgetRule, Integer)                           \
      P(SpecialtyTypeChild, Integer) P(ZJQXZ, String) P(XSSX, Integer) P(KZBZ, Integer)           \
          P(ZJH, Integer) P(LXBZ, Integer) P(gznr, String) P(JLGZ, String) P(DELX, Integer)       \
              P(TZMGC, String) P(TDEZM_DJ, String) P(ZnhsIDS, String) P(ZCSBMC, String)           \
                  P(ZFBS, Boolean) P(isCSDE, Boolean) P(ExtendInfos, String) P(DELX_YGZ, Integer) \
                      P(GLFTZXS, Double) P(GLFJSJC, String) P(CLFTZXS, Double) P(JXFTZXS, Double) \
                          P(CSGD_DELX, Integer)
XXJ_DECLARE_ROW_CLASS(TDek_TDEZM, TBaseDek, XXJ_PROPS_TDek_TDEZM);

#define XXJ_PROPS_TDek_TGLJZM(P)                                                                   \
  P(ID, Integer)                                                                                   \
  P(ZMBH, String)                                                                                  \
  P(ZMMC, String) P(ZMMC_SX, String) P(GG, String) P(LX, Integer) P(ZJH, Integer) P(DW, String)    \
      P(SCBH, Integer) P(SCXS, Double) P(SFTC, Boolean) P(XSSX, Integer) P(JLRQ, DateTime)         \
          P(FYFL, Integer) P(KZBZ, Integer) P(LXBZ, Integer) P(ZJQXZ, String) P(WasteRate, Double) \
              P(GLJFL, Integer) P(Prj_From, Integer) P(TGLZMGC, String) P(TGLJZM_DJ, String)       \
                  P(ExtendInfos, String) P(MZ, Double) P(CBFL, Double) P(ZXSH, Double)             \
                      P(TZXS, Double) P(TZGLJFL, Integer) P(GCLTZXS, Double) P(TZRange, Double)    \
                          P(TZXS_YLFY, Double) P(CalExprID, Integer) P(CLFL, Integer)              \
                              P(HNTBH, String) P(HNTQD, String) P(HNTJPDJ, String)
XXJ_DECLARE_ROW_CLASS(TDek_TGLJZM, TBaseDek, XXJ_PROPS_TDek_TGLJZM);

#define XXJ_PROPS_TDek_TZJMC(P)                                                           \
  P(ID, Integer)                                                                          \
  P(PID, Integer)                                                                         \
  P(ZJMC, String) P(ZJLX, String) P(ZJSM, MemoryStream) P(JDQXZ, String) P(SFZK, Integer) \
      P(SFYZ, Integer) P(XSSX, Integer) P(LXBZ, Integer) P(SpecialtyTypeChild, Integer)
XXJ_DECLARE_ROW_CLASS(TDek_TZJMC, TBaseDek, XXJ_PROPS_TDek_TZJMC);

#define XXJ_PROPS_TDek_TZNHS(P)                                               \
  P(ID, Integer)                                                              \
  P(TSXX, String)                                                             \
  P(HSSM, String) P(TZNHSMS, String) P(GroupNo, Integer) P(GroupName, String) \
      P(NotAutoShow, Boolean) P(Sequence, Integer)
XXJ_DECLARE_ROW_CLASS(TDek_TZNHS, TBaseDek, XXJ_PROPS_TDek_TZNHS);

#define XXJ_PROPS_TDek_TFeeFrameFile(P)                                                       \
  P(FeeFrameID, Integer)                                                                      \
  P(ID, Integer)                                                                              \
  P(PID, Integer) P(FeeTableName, String) P(OrderCode, String) P(FeeName, String)             \
      P(VarCode, String) P(FeeExpr, String) P(Tariff, Double) P(Fee, Double) P(Unit_, String) \
          P(comment, String) P(Sequence, Integer) P(FeeType, Integer) P(Visible, Boolean)     \
              P(CaltoTal, Boolean) P(TariffExpr, String) P(FixedTariff, Boolean)              \
                  P(FeeKind, Integer) P(DEZM_IDS, String) P(TFeeFrameTariff, String)          \
                      P(TPrcAnalTariff, String) P(RPTComment, String)
XXJ_DECLARE_ROW_CLASS(TDek_TFeeFrameFile, TBaseDek, XXJ_PROPS_TDek_TFeeFrameFile);

#define XXJ_PROPS_TDek_TZHDEXX(P)                                                    \
  P(DEZM_ID, Integer)                                                                \
  P(JCZ, Double)                                                                     \
  P(QSYXZ, Double) P(JZYXZ, Double) P(ZJDW, Double) P(JSFF, Integer) P(TSXX, String) \
      P(NotMerge, Boolean) P(ZHMethod, Integer) P(XSSX, Integer) P(ZMBH, String) P(ZMMC, String)
XXJ_DECLARE_ROW_CLASS(TDek_TZHDEXX, TBaseDek, XXJ_PROPS_TDek_TZHDEXX);

#define XXJ_PROPS_TDek_TGLJXXJ(P)                                                            \
  P(QJID, Integer)                                                                           \
  P(ZMBH, String)                                                                            \
  P(ZMMC, String) P(GG, String) P(DW, String) P(LX, Integer) P(DEDJ, Double) P(XXDJ, Double) \
      P(SQXXDJ, Double) P(IsChanged, Boolean) P(ZJQXZ, String) P(GLJFL, String)
XXJ_DECLARE_ROW_CLASS(TDek_TGLJXXJ, TBaseDek, XXJ_PROPS_TDek_TGLJXXJ);

#define XXJ_PROPS_TDek_TXXJ(P)                                                                  \
  P(ID, Integer)                                                                                \
  P(YEAR, Integer)                                                                              \
  P(JAN, Double) P(FEB, Double) P(MAR, Double) P(APR, Double) P(MAY, Double) P(JUN, Double)     \
      P(JUL, Double) P(AUG, Double) P(SEP, Double) P(OCT, Double) P(NOV, Double) P(DEC, Double) \
          P(YAVG, Double)
XXJ_DECLARE_ROW_CLASS(TDek_TXXJ, TBaseDek, XXJ_PROPS_TDek_TXXJ);

#define XXJ_PROPS_TDek_TBudgetRule(P) \
  P(BudgetRule, Integer) P(Name, String) P(Comment, String) P(BudgetMethod, Integer)
XXJ_DECLARE_ROW_CLASS(TDek_TBudgetRule, TBaseDek, XXJ_PROPS_TDek_TBudgetRule);

#define XXJ_PROPS_TDek_TBudgetRuleDetail(P)                                        \
  P(BudgetRule, Integer)                                                           \
  P(VarCode, String)                                                               \
  P(Sequence, Integer) P(CalExpr, String) P(CalOrder, Integer) P(CalType, Integer) \
      P(Comment, String)
XXJ_DECLARE_ROW_CLASS(TDek_TBudgetRuleDetail, TBaseDek, XXJ_PROPS_TDek_TBudgetRuleDetail);

#define XXJ_PROPS_TDek_TDetailTableInfo(P) P(TableName, String) P(Structon, String)
XXJ_DECLARE_ROW_CLASS(TDek_TDetailTableInfo, TBaseDek, XXJ_PROPS_TDek_TDetailTableInfo);

#define XXJ_PROPS_TDek_TDEZM_GLDE(P)                                                      \
  P(DEZM_ID, Integer)                                                                     \
  P(GLDE_ID, Integer)                                                                     \
  P(HSXS, Double) P(Remark, String) P(id, Integer) P(Merge, Boolean) P(CKXS, Double)      \
      P(DekID, Integer) P(BaseLX, Integer) P(LX, Integer) P(XSMC, String) P(JSGZ, String) \
          P(RelateGLJBH, String) P(JSFS, Integer)
XXJ_DECLARE_ROW_CLASS(TDek_TDEZM_GLDE, TBaseDek, XXJ_PROPS_TDek_TDEZM_GLDE);

#define XXJ_PROPS_TDek_TDEZM_JX(P)                                                                 \
  P(ZMBH, String)                                                                                  \
  P(SpecialtyTypeChild, Integer)                                                                   \
  P(DELX, Integer) P(FYFLS, String) P(isCSDE, Boolean) P(CSFYKeyStr, String) P(CSFBKeyStr, String) \
      P(GroupNo, Integer)
XXJ_DECLARE_ROW_CLASS(TDek_TDEZM_JX, TBaseDek, XXJ_PROPS_TDek_TDEZM_JX);

#define XXJ_PROPS_TDek_TFeeFile(P)                                                                 \
  P(FeeFileID, Integer)                                                                            \
  P(FeeFileName, String)                                                                           \
  P(FeeFrameID, Integer) P(BudgetRule, Integer) P(BudgetMethod, Integer) P(SpecialtyType, Integer) \
      P(PrjType, Integer) P(RegionId, Integer) P(TFeeFileTariff, String) P(PID, Integer)           \
          P(Sequence, Integer) P(FeeFileType, Integer) P(FJFY, Boolean)                            \
              P(AllowUseMutiFeeFile, Boolean) P(GroupName, String) P(NeedShowQTXM, Boolean)        \
                  P(QDGF, String) P(DEZMZYLXs, String)
XXJ_DECLARE_ROW_CLASS(TDek_TFeeFile, TBaseDek, XXJ_PROPS_TDek_TFeeFile);

#define XXJ_PROPS_TDek_TFeeFrameMng(P)                                                   \
  P(FeeFrameID, Integer)                                                                 \
  P(PID, Integer)                                                                        \
  P(FeeFrameName, String) P(Comment, String) P(StartDate, DateTime) P(Sequence, Integer) \
      P(DefaultPriceAnalysisID, Integer) P(AvailablePriceAnalysisIDs, String)
XXJ_DECLARE_ROW_CLASS(TDek_TFeeFrameMng, TBaseDek, XXJ_PROPS_TDek_TFeeFrameMng);

#define XXJ_PROPS_TDek_tfymb_flfltj(P) \
  P(id, Integer)                       \
  P(MBID, Integer) P(FYBLDH, String) P(FLZDDM, Integer) P(lx, Integer) P(Sequence, Integer)
XXJ_DECLARE_ROW_CLASS(TDek_tfymb_flfltj, TBaseDek, XXJ_PROPS_TDek_tfymb_flfltj);

#define XXJ_PROPS_TDek_tfymb_flms(P)                                                              \
  P(id, Integer)                                                                                  \
  P(MBID, Integer)                                                                                \
  P(FYBLDH, String) P(FL, Double) P(FLZD1, Integer) P(FLZD2, Integer) P(FLZD3, Integer)           \
      P(FLZD4, Integer) P(FLZD5, Integer) P(FLZD6, Integer) P(FLZD7, Integer) P(FLZD8, Integer)   \
          P(FLZD9, Integer) P(FLZD10, Integer) P(FLZD11, Integer) P(FLZD12, Integer)              \
              P(FLZD13, Integer) P(FLZD14, Integer) P(FLZD15, Integer) P(FLZD16, Integer)         \
                  P(FLZD17, Integer) P(FLZD18, Integer) P(FLZD19, Integer) P(FLZD20, Integer)     \
                      P(FLZD21, Integer) P(FLZD22, Integer) P(FLZD23, Integer) P(FLZD24, Integer) \
                          P(FLZD25, Integer) P(FLZD26, Integer) P(FLZD27, Integer)                \
                              P(FLZD28, Integer) P(FLZD29, Integer) P(FLZD30, Integer)            \
                                  P(bz, String) P(lx, Integer)
XXJ_DECLARE_ROW_CLASS(TDek_tfymb_flms, TBaseDek, XXJ_PROPS_TDek_tfymb_flms);

#define XXJ_PROPS_TDek_TGLJFL(P)                                                                   \
  P(ID, Integer)                                                                                   \
  P(PID, Integer)                                                                                  \
  P(LXMC, String) P(lx, String) P(LXSM, String) P(JDQXZ, String) P(SFZK, Integer) P(SFYZ, Integer) \
      P(XSSX, Integer) P(ZJH, Integer) P(LXBZ, Integer)
XXJ_DECLARE_ROW_CLASS(TDek_TGLJFL, TBaseDek, XXJ_PROPS_TDek_TGLJFL);

#define XXJ_PROPS_TDek_TGLZMKC(P) P(ID, Integer) P(ZMBH, String) P(GCL, Double) P(CZLX, Integer)
XXJ_DECLARE_ROW_CLASS(TDek_TGLZMKC, TBaseDek, XXJ_PROPS_TDek_TGLZMKC);

#define XXJ_PROPS_TDek_TJXSZ(P) P(ID, Integer) P(LX, Integer) P(MC, String) P(ZMBH, String)
XXJ_DECLARE_ROW_CLASS(TDek_TJXSZ, TBaseDek, XXJ_PROPS_TDek_TJXSZ);

#define XXJ_PROPS_TDek_TPriceAnalysis(P)                                                          \
  P(ID, Integer)                                                                                  \
  P(FeeFrameID, Integer)                                                                          \
  P(OrderCode, String) P(FeeName, String) P(VarCode, String) P(FeeExpr, String) P(Tariff, Double) \
      P(Fee, Double) P(Unit_, String) P(Comment, String) P(Sequence, Integer) P(Visible, Boolean) \
          P(pid, Integer) P(TariffExpr, String) P(PriceAnalysisID, Integer)                       \
              P(FixedTariff, Boolean) P(TFeeFrameTariff, String)
XXJ_DECLARE_ROW_CLASS(TDek_TPriceAnalysis, TBaseDek, XXJ_PROPS_TDek_TPriceAnalysis);

#define XXJ_PROPS_TDek_TpriceAnalysis_DEZM(P) \
  P(ID, Integer) P(FeeFrameID, Integer) P(PriceAnalysisID, Integer) P(DEZJQXZ, String)
XXJ_DECLARE_ROW_CLASS(TDek_TpriceAnalysis_DEZM, TBaseDek, XXJ_PROPS_TDek_TpriceAnalysis_DEZM);

#define XXJ_PROPS_TDek_TpriceAnalysisMng(P) \
  P(ID, Integer)                            \
  P(PID, Integer)                           \
  P(Name, String) P(Sequence, Integer) P(lx, Integer) P(Comment, String) P(zylb, String)
XXJ_DECLARE_ROW_CLASS(TDek_TpriceAnalysisMng, TBaseDek, XXJ_PROPS_TDek_TpriceAnalysisMng);

#define XXJ_PROPS_TDek_TpriceAnalysisRelate(P) \
  P(PriceAnalysisID, Integer)                  \
  P(RelatePriceAnalysisID, Integer) P(RelateDEKID, Integer) P(Sequence, Integer)
XXJ_DECLARE_ROW_CLASS(TDek_TpriceAnalysisRelate, TBaseDek, XXJ_PROPS_TDek_TpriceAnalysisRelate);

#define XXJ_PROPS_TDek_TpriceAnalysisTariff(P) \
  P(FeeFileID, Integer) P(VarCode, String) P(Tariff, Double)
XXJ_DECLARE_ROW_CLASS(TDek_TpriceAnalysisTariff, TBaseDek, XXJ_PROPS_TDek_TpriceAnalysisTariff);

#define XXJ_PROPS_TDek_TVersion(P)                                                            \
  P(VersionNumber, Integer)                                                                   \
  P(DEKID, Integer)                                                                           \
  P(DEKMC, String) P(CreateTime, DateTime) P(UpdateTime, DateTime) P(FileType, String)        \
      P(ZJJG, String) P(SpecialtyType, Integer) P(SpecialtyFlag, String) P(GroupName, String) \
          P(AvailableQDK, String) P(GLJKFile, String) P(GLJKID, Integer)
XXJ_DECLARE_ROW_CLASS(TDek_TVersion, TBaseDek, XXJ_PROPS_TDek_TVersion);

#define XXJ_PROPS_TDek_TwageAdjustPlan(P) \
  P(id, Integer)                          \
  P(PlanName, String)                     \
  P(Remark, String) P(IssueDate, DateTime) P(Sequence, Integer) P(GroupValue, String)
XXJ_DECLARE_ROW_CLASS(TDek_TwageAdjustPlan, TBaseDek, XXJ_PROPS_TDek_TwageAdjustPlan);

#define XXJ_PROPS_TDek_TwageAdjustPlanDetail(P) \
  P(PlanID, Integer) P(GLJBH, String) P(GLJMC, String) P(DEDJ, Double) P(TZZ, Double)
XXJ_DECLARE_ROW_CLASS(TDek_TwageAdjustPlanDetail, TBaseDek, XXJ_PROPS_TDek_TwageAdjustPlanDetail);

#define XXJ_PROPS_TDek_TZD(P)                                                   \
  P(ID, Integer)                                                                \
  P(PID, Integer)                                                               \
  P(LX, Integer) P(DM, Integer) P(ZWMC, String) P(YWMC, String) P(XSMC, String) \
      P(Sequence, Integer) P(Remark, String)
XXJ_DECLARE_ROW_CLASS(TDek_TZD, TBaseDek, XXJ_PROPS_TDek_TZD);

#define XXJ_PROPS_TDek_tzd_lx_table_field(P) \
  P(DM, Integer) P(TableName, String) P(FieldName, String)
XXJ_DECLARE_ROW_CLASS(TDek_tzd_lx_table_field, TBaseDek, XXJ_PROPS_TDek_tzd_lx_table_field);

#define XXJ_PROPS_TDek_TGLJXXJGL(P) \
  P(QJID, Integer) P(XXJMC, String) P(STARTDATE, DateTime) P(ENDDATE, DateTime) P(DQID, Integer)
XXJ_DECLARE_ROW_CLASS(TDek_TGLJXXJGL, TBaseDek, XXJ_PROPS_TDek_TGLJXXJGL);

#define XXJ_PROPS_TDek_TZD_DELX(P) \
  P(Id, Integer) P(Name, String) P(FY1, Double) P(FY2, Double) P(FY3, Double) P(Total, Double)
XXJ_DECLARE_ROW_CLASS(TDek_TZD_DELX, TBaseDek, XXJ_PROPS_TDek_TZD_DELX);

#define XXJ_PROPS_TDek_TcompCalMethod(P)                                                   \
  P(ID, Integer)                                                                           \
  P(PID, Integer)                                                                          \
  P(ZMBH, String) P(ZMMC, String) P(GCLBDS, String) P(CalMethod, Integer) P(DEIDs, String) \
      P(Remark, String)
XXJ_DECLARE_ROW_CLASS(TDek_TcompCalMethod, TBaseDek, XXJ_PROPS_TDek_TcompCalMethod);

#define XXJ_PROPS_TDek_TcompCalParams(P) \
  P(VarCode, String)                     \
  P(VarName, String) P(DefValue, Double) P(CalMethod, Integer) P(Sequence, Integer)
XXJ_DECLARE_ROW_CLASS(TDek_TcompCalParams, TBaseDek, XXJ_PROPS_TDek_TcompCalParams);

#define XXJ_PROPS_TDek_TRptDataSource(P) \
  P(ID, Integer) P(NAME, String) P(DataSource, MemoryStream) P(Comment, String)
XXJ_DECLARE_ROW_CLASS(TDek_TRptDataSource, TBaseDek, XXJ_PROPS_TDek_TRptDataSource);

#define XXJ_PROPS_TDek_TRptHeadnote(P) \
  P(ID, Integer) P(Left, MemoryStream) P(Center, MemoryStream) P(Right, MemoryStream)
XXJ_DECLARE_ROW_CLASS(TDek_TRptHeadnote, TBaseDek, XXJ_PROPS_TDek_TRptHeadnote);

#define XXJ_PROPS_TDek_TRptSystemVar(P) P(ID, Integer) P(VarCode, String) P(Comment, String)
XXJ_DECLARE_ROW_CLASS(TDek_TRptSystemVar, TBaseDek, XXJ_PROPS_TDek_TRptSystemVar);

#define XXJ_PROPS_TDek_TGLJZM_CalExpr(P)                                                      \
  P(ID, Integer)                                                                              \
  P(PID, Integer)                                                                             \
  P(GLJBH, String) P(VarCode, String) P(Name, String) P(CalExpr, String) P(Sequence, Integer) \
      P(RelateGLJBH, String)
XXJ_DECLARE_ROW_CLASS(TDek_TGLJZM_CalExpr, TBaseDek, XXJ_PROPS_TDek_TGLJZM_CalExpr);

#define XXJ_PROPS_TDek_TGLXS_Group(P) \
  P(ID, Integer) P(Name, String) P(DEZJIds, String) P(Remark, String)
XXJ_DECLARE_ROW_CLASS(TDek_TGLXS_Group, TBaseDek, XXJ_PROPS_TDek_TGLXS_Group);

#define XXJ_PROPS_TDek_TGLXS_Detail(P)                                                       \
  P(ID, Integer)                                                                             \
  P(GroupID, Integer)                                                                        \
  P(VarCode, String) P(Name, String) P(CalExpr, String) P(Remark, String) P(DEZMIDs, String) \
      P(ZJMC, String) P(RecType, Integer) P(Sequence, Integer)
XXJ_DECLARE_ROW_CLASS(TDek_TGLXS_Detail, TBaseDek, XXJ_PROPS_TDek_TGLXS_Detail);

#define XXJ_PROPS_TDek_TAQWMSGQFBZ(P)                                              \
  P(ID, Integer)                                                                   \
  P(XMMC1, String)                                                                 \
  P(XMMC2, String) P(XMMC3, String) P(CalCondition, String) P(CalStandard, String) \
      P(CalExpr_ZKPM, String) P(CalExpr_DEJJ, String) P(Tariff, Double) P(Sequence, Integer)
XXJ_DECLARE_ROW_CLASS(TDek_TAQWMSGQFBZ, TBaseDek, XXJ_PROPS_TDek_TAQWMSGQFBZ);

#define XXJ_PROPS_TDek_TZD_BorrowDEZMAdjust(P)                                           \
  P(ID, Integer)                                                                         \
  P(PID, Integer)                                                                        \
  P(ZMMC, String) P(DekID, Integer) P(ZJQXZs, String) P(DEZMIDs, String) P(RGXS, Double) \
      P(CLXS, Double) P(JXXS, Double) P(GroupNo, Integer) P(XSSX, Integer) P(Condition, String)
XXJ_DECLARE_ROW_CLASS(TDek_TZD_BorrowDEZMAdjust, TBaseDek, XXJ_PROPS_TDek_TZD_BorrowDEZMAdjust);

#define XXJ_PROPS_TDek_TPageSetupField(P)                                                      \
  P(TableID, Integer)                                                                          \
  P(ID, Integer)                                                                               \
  P(FieldName, String) P(FieldType, String) P(FieldDescription, String) P(DisplayName, String) \
      P(DisplayWidth, Integer) P(ReadOnly, Boolean) P(Visible, Boolean) P(Sequence, Integer)   \
          P(Fixed, Boolean) P(Default, Boolean) P(BudgetMethod, Integer) P(Flag, Integer)      \
              P(CalExpr, String) P(BackColor, Integer) P(FontColor, Integer)                   \
                  P(DisplaySingleRow, Boolean)
XXJ_DECLARE_ROW_CLASS(TDek_TPageSetupField, TBaseDek, XXJ_PROPS_TDek_TPageSetupField);

#define XXJ_PROPS_TDek_TPageSetupRec(P)                                                         \
  P(ID, Integer)                                                                                \
  P(PID, Integer)                                                                               \
  P(TableID, Integer) P(RecType, Integer) P(FontName, String) P(FontStype, String)              \
      P(FontSize, Integer) P(FontColor, Integer) P(BackGroundColor, Integer) P(Comment, String) \
          P(Default, Boolean) P(BudgetMethod, Integer)
XXJ_DECLARE_ROW_CLASS(TDek_TPageSetupRec, TBaseDek, XXJ_PROPS_TDek_TPageSetupRec);

#define XXJ_PROPS_TDek_TDekOption(P) \
  P(VarCode, String) P(Name, String) P(Value, String) P(DefaultValue, String) P(Comment, String)
XXJ_DECLARE_ROW_CLASS(TDek_TDekOption, TBaseDek, XXJ_PROPS_TDek_TDekOption);

#define XXJ_PROPS_TDek_TQdzy(P) P(ZMID, Integer) P(QDKID, Integer) P(QDBH, String)
XXJ_DECLARE_ROW_CLASS(TDek_TQdzy, TBaseDek, XXJ_PROPS_TDek_TQdzy);

#define XXJ_PROPS_TDek_TDEZM_DXXS(P)                                                              \
  P(ID, Integer)                                                                                  \
  P(XMMC, String)                                                                                 \
  P(DEZM_IDs, String) P(DXXS_QL, Double) P(DXXS_SD, Double) P(DXXS_GS, Double) P(DXXS_JL, Double) \
      P(DXXS_NZ, Double) P(DXXS_HW, Double) P(DXXS_SM, Double) P(Remark, String)                  \
          P(Sequence, Integer)
XXJ_DECLARE_ROW_CLASS(TDek_TDEZM_DXXS, TBaseDek, XXJ_PROPS_TDek_TDEZM_DXXS);

#define XXJ_PROPS_TDek_TDEZM_NCFJSB(P) \
  P(ID, Integer) P(ZMBH, String) P(Value, Double) P(GroupNo, Integer) P(TSXX, String)
XXJ_DECLARE_ROW_CLASS(TDek_TDEZM_NCFJSB, TBaseDek, XXJ_PROPS_TDek_TDEZM_NCFJSB);

#define XXJ_PROPS_TDek_TGCXX(P)                                                                  \
  P(ID, Integer)                                                                                 \
  P(PID, Integer)                                                                                \
  P(Name, String) P(Sequence, Integer) P(Comment, String) P(PickList, String) P(VarCode, String) \
      P(DefaultValue, String)
XXJ_DECLARE_ROW_CLASS(TDek_TGCXX, TBaseDek, XXJ_PROPS_TDek_TGCXX);

#define XXJ_PROPS_TDek_TGCTZ(P)                                               \
  P(ID, Integer)                                                              \
  P(PID, Integer)                                                             \
  P(Name, String) P(Sequence, Integer) P(Comment, String) P(PickList, String) \
      P(BudgetMethod, Integer) P(ZBFXZYLB, Integer) P(DefaultValue, String)
XXJ_DECLARE_ROW_CLASS(TDek_TGCTZ, TBaseDek, XXJ_PROPS_TDek_TGCTZ);

#define XXJ_PROPS_TDek_TZJZB(P)                                                    \
  P(ID, Integer)                                                                   \
  P(PID, Integer)                                                                  \
  P(Name, String) P(Sequence, Integer) P(Comment, String) P(BudgetMethod, Integer) \
      P(FMCalExpr, String) P(CalExpr, String) P(ZBFXZYLB, Integer)
XXJ_DECLARE_ROW_CLASS(TDek_TZJZB, TBaseDek, XXJ_PROPS_TDek_TZJZB);

#define XXJ_PROPS_TDek_TJJZB(P)                                                    \
  P(ID, Integer)                                                                   \
  P(PID, Integer)                                                                  \
  P(Name, String) P(Sequence, Integer) P(Comment, String) P(BudgetMethod, Integer) \
      P(JJZBFL, Integer) P(CalByDEZM, Boolean) P(ZBFXZYLB, Integer)
XXJ_DECLARE_ROW_CLASS(TDek_TJJZB, TBaseDek, XXJ_PROPS_TDek_TJJZB);

#define XXJ_PROPS_TDek_TZYGLZB(P)                                                                \
  P(ID, Integer)                                                                                 \
  P(PID, Integer)                                                                                \
  P(Name, String) P(Sequence, Integer) P(Comment, String) P(BudgetMethod, Integer) P(DW, String) \
      P(GLZBFL, Integer) P(SpecialZYGCLZBFL, Integer) P(ExcludeZYGCLZBFL, Integer)               \
          P(ZBFXZYLB, Integer)
XXJ_DECLARE_ROW_CLASS(TDek_TZYGLZB, TBaseDek, XXJ_PROPS_TDek_TZYGLZB);

#define XXJ_PROPS_TDek_TZYGCLZB(P)                                                               \
  P(ID, Integer)                                                                                 \
  P(PID, Integer)                                                                                \
  P(Name, String) P(Sequence, Integer) P(Comment, String) P(BudgetMethod, Integer) P(DW, String) \
      P(GCLZBFL, Integer) P(CalByDEZM, Boolean) P(ZBFXZYLB, Integer)
XXJ_DECLARE_ROW_CLASS(TDek_TZYGCLZB, TBaseDek, XXJ_PROPS_TDek_TZYGCLZB);

#define XXJ_PROPS_TDek_TBudgetDict(P) \
  P(ID, Integer) P(VarCode, String) P(FeeName, String) P(FeeExpr, String) P(CalType, Integer)
XXJ_DECLARE_ROW_CLASS(TDek_TBudgetDict, TBaseDek, XXJ_PROPS_TDek_TBudgetDict);

#define XXJ_PROPS_TDek_TBudgetDictDetail(P) \
  P(ID, Integer)                            \
  P(RangeFrom, Double)                      \
  P(RangeTo, Double) P(Tariff, Double) P(Value, Double) P(AddValue, Double) P(Sequence, Integer)
XXJ_DECLARE_ROW_CLASS(TDek_TBudgetDictDetail, TBaseDek, XXJ_PROPS_TDek_TBudgetDictDetail);

#define XXJ_PROPS_TDek_TGLJZM_CalExprMain(P) \
  P(ID, Integer) P(Name, String) P(Remark, String) P(Sequence, Integer)
XXJ_DECLARE_ROW_CLASS(TDek_TGLJZM_CalExprMain, TBaseDek, XXJ_PROPS_TDek_TGLJZM_CalExprMain);

#define XXJ_PROPS_TDek_TGLJZM_CalExprDetail(P)                                            \
  P(CalExprID, Integer)                                                                   \
  P(ID, Integer)                                                                          \
  P(PID, Integer) P(VarCode, String) P(Name, String) P(CalExpr, String) P(Remark, String) \
      P(Sequence, Integer)
XXJ_DECLARE_ROW_CLASS(TDek_TGLJZM_CalExprDetail, TBaseDek, XXJ_PROPS_TDek_TGLJZM_CalExprDetail);

#define XXJ_PROPS_TDek_TZMGC_ZDHS(P) \
  P(DEZMID, Integer)                 \
  P(GLJBH, String)                   \
  P(HSCLBH, String) P(GCL, Double) P(XSMC, String) P(Sequence, Integer) P(zmlx, Integer)
XXJ_DECLARE_ROW_CLASS(TDek_TZMGC_ZDHS, TBaseDek, XXJ_PROPS_TDek_TZMGC_ZDHS);

#define XXJ_PROPS_TDek_TZMGC_SubDEZM_ZDHS(P)                                                      \
  P(ID, Integer)                                                                                  \
  P(DEZMID, Integer)                                                                              \
  P(SubDEZMBH, String) P(OldCode, String) P(OldName, String) P(OldQty, Double) P(NewCode, String) \
      P(NewName, String) P(NewQty, Double) P(ReformType, Integer) P(Comment, String)
XXJ_DECLARE_ROW_CLASS(TDek_TZMGC_SubDEZM_ZDHS, TBaseDek, XXJ_PROPS_TDek_TZMGC_SubDEZM_ZDHS);

// --- Nested detail rows (held as text inside string columns; not registered) ---

#define XXJ_PROPS_TDek_TGLJZM_DJ(P) \
  P(DQId, Integer)                  \
  P(DEDJ, Double) P(YSJ, Double) P(DEDJ_SH, Double) P(TZGLJFL, Integer) P(TZXS, Double)
XXJ_DECLARE_ROW_CLASS(TDek_TGLJZM_DJ, TBaseDek, XXJ_PROPS_TDek_TGLJZM_DJ);

#define XXJ_PROPS_TDek_TGLZMGC(P) \
  P(ZMBH, String) P(GCL, Double) P(GCL_SH, Double) P(LX, Integer) P(DQID, Integer)
XXJ_DECLARE_ROW_CLASS(TDek_TGLZMGC, TBaseDek, XXJ_PROPS_TDek_TGLZMGC);

#define XXJ_PROPS_TDek_TXXJ_Ex(P) \
  P(ZMBH, String)                 \
  P(ZMMC, String)                 \
  P(LX, Integer) P(GG, String) P(DW, String) P(DEDJ, Double) P(XXDJ, Double) P(ZJQXZ, String)
// An information-price line of a package: a price row with its item's
// description, never stored in a quota library.
XXJ_DECLARE_ROW_CLASS(TDek_TXXJ_Ex, TDek_TXXJ, XXJ_PROPS_TDek_TXXJ_Ex);

// One quota library table: the project's list property, the table name, its
// row class and the column the project sorts the list on after loading it
// (none: the list keeps the file's row order).
struct TDekTableInfo {
  const char* listProperty;
  const char* tableName;
  const TRowClass& (*rowClass)();
  const char* loadKey;
  bool loadKeyCaseSensitive;
};

// The sixty tables in declaration order.
std::span<const TDekTableInfo> DekTables();

}  // namespace xxj
