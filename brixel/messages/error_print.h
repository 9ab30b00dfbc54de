#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "brixel/framework/export.h"
#include "brixel/platform/cstring.h"
#include "brixel/platform/cstring_array.h"

// Formats and routes the messages of a unit: validation errors, calculation errors, warnings
// and information go through the host's level check into its error buffer; free and
// tabulated lines go to the history file. Per-kind flags record what was raised even while
// output is disabled.
class BRIXEL_API CErrorPrint {
  public:
    CErrorPrint();
    explicit CErrorPrint(int64_t* statusBlock);
    ~CErrorPrint();  // not virtual: models are destroyed through their own type
    CErrorPrint(const CErrorPrint&) = default;
    CErrorPrint& operator=(const CErrorPrint&) = default;

    // Stores level and phase; true when the host wants a message of this level, tag (first 8
    // characters, upper-cased) and code shown at the block's print level (4 without a
    // status block).
    virtual bool CheckErrorPrint(CString tag, bool calculation, int level, int code);
    // Writes 6 blanks and the first 72 characters of the upper-cased text into error-buffer
    // line `line` (from 1); a line the buffer does not have is not written.
    virtual void AddErrorText(int line, CString text);
    // Prints error-buffer lines 1 ... n (n limited to the buffer's size).
    virtual void PrintError(int n);
    virtual void WriteHis(CString text);
    // Lays out tab-separated fields at the tab stops and writes the line; reads one more tab
    // stop than there are non-empty fields. Null `tabs`: every stop at column 0.
    virtual void WriteHisTab(CString text, int* tabs);
    virtual void RaiseCalculationError(uint32_t code, CString text, CString tag, bool collectOnly);
    virtual void RaiseValidationError(uint32_t code, CString text, CString tag, bool collectOnly);
    virtual void RaiseWarning(uint32_t code, CString text, CString tag, bool collectOnly);
    virtual void RaiseInfoMsg(uint32_t code, CString text, CString tag, bool collectOnly);

    bool HasValidationErrors() const;
    bool HasCalculationErrors() const;
    bool HasWarnings() const;
    // Reset the flag only; pending lines stay.
    void ClearValidationErrors();
    void ClearCalculationErrors();
    void ClearWarnings();

    int64_t* GetIscp() const;
    // Word i (0 ... 7) of the status block; 0 without a status block or for another i.
    int GetIscpOf(int i) const;
    // Sets word i (0 ... 7) of a bound status block; does nothing otherwise.
    void SetIscpOf(int i, int64_t value);
    void SetIscp(int64_t* statusBlock);
    void EnableOutput(bool enable);
    void SetTag(const CString& tag);
    void SetCalculationPhase(bool calculation);

  protected:
    int m_nLevel = 0;
    bool m_bCalculation = true;
    bool m_bOutputEnabled = false;
    CString m_strTag = "ERRORPRINT";
    CStringArray m_saPendingCalcErrors;
    CStringArray m_saPendingValErrors;
    CStringArray m_saPendingWarnings;
    CStringArray m_saPendingInfo;
    bool m_bValidationErrors = false;
    bool m_bCalculationErrors = false;
    bool m_bWarnings = false;
    int64_t* m_pIscp = nullptr;

  private:
    // Steps shared by the four raise operations; returns true when the message was shown.
    bool Raise(CStringArray& pending, bool calculation, int level, uint32_t code, CString text,
               CString tag, bool collectOnly);
};

namespace brixel {

// Word wrap: while `text` is longer than `width`, cuts it before the last blank at a position
// from `width` down to 1 (or at `width` when there is none), collects the line and continues
// with the rest without leading blanks. `text` keeps the last piece. A width of 0 counts as 1.
std::vector<std::string> WrapText(std::string& text, std::size_t width);

// The tabulated history line before the 6 leading blanks and upper-casing: tabs[0] blanks,
// then each non-empty tab-separated field padded to the next tab stop (at most 54 blanks per
// pad), or followed by one blank when the line already reaches that stop. Null `tabs` puts
// every stop at 0.
std::string LayoutTabbedLine(const std::string& text, const int* tabs);

}  // namespace brixel
