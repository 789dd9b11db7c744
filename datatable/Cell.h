// One text of a row. In a column of its table's conversion set the text is kept in
// stored form (see TextForm.h) and Text turns it back.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "datatable/Persistent.h"
#include "datatable/Types.h"

namespace stp {

class TCell : public TObject {
public:
    // The cell does not enter AOwner's list; the row's operations append it.
    explicit TCell(TRow* AOwner);
    ~TCell() override;
    TCell(const TCell&) = delete;
    TCell& operator=(const TCell&) = delete;

    const char* ClassName() const override { return "TCell"; }

    TRow* Parent() const { return FParent; }

    // Position in the row's list; -1 without a row or when not in its list.
    std::int32_t GetIndex() const;

    // The value: the stored text, restored in a converted column.
    std::u16string Text() const;
    // Stores v (in stored form in a converted column); a new text notifies the row.
    void SetText(std::u16string_view v);

    // The stored text as a signed 32-bit integer; the empty text is 0. Raises
    // EConvertError for a text that is no integer.
    std::int32_t Value() const;
    void SetValue(std::int32_t n);

    // The stored text as a Boolean; the empty text is false. Raises EConvertError.
    bool AsBool() const;
    // Stores "-1" for true and "0" for false.
    void SetAsBool(bool b);

private:
    friend class TRow;

    // The table whose conversion set governs this cell, with the cell's column;
    // null when the row has no owning table or the column is not converted.
    const TDataTable* ConvertingTable(std::int32_t& Column) const;
    // Takes a new stored text, unless it is the current one, and notifies the row.
    void Store(std::u16string Stored);

    TRow* FParent;
    std::u16string FText;
};

}  // namespace stp
