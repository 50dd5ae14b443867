// SPDX-License-Identifier: MIT
#include "options/SetupDialogModel.h"

#include "abi/DialogAnswers.h"
#include "base/Assertion.h"
#include "base/Rounding.h"
#include "base/TextCompare.h"
#include "pcbclient/PcbApiBinding.h"
#include "pcbclient/PcbBoard.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <utility>

namespace dxfi {

namespace {

constexpr const char* kModule = "Setup";

// The units a drawing may declare ($INSUNITS codes), with the length of one unit that the
// dialog starts with; no text where that length is no whole number of board units or does
// not fit the board's range.
struct TDrawingUnit {
    int16_t Code;
    const char* Name;
    TScaleChoice Choice;
    const char* UnitsText;
};

constexpr TDrawingUnit kDrawingUnits[] = {
    {1, "inch", scInch, "1000mil"},
    {2, "feet", scOther, "12000mil"},
    {3, "miles", scOther, nullptr},
    {4, "mm", scMm, "1mm"},
    {5, "cm", scOther, "10mm"},
    {6, "m", scOther, "1000mm"},
    {7, "km", scOther, nullptr},
    {8, "microinches", scOther, "0.001mil"},
    {9, "mils", scMil, "1mil"},
    {10, "yards", scOther, "36000mil"},
    {11, "angstroms", scOther, nullptr},
    {12, "nanometres", scOther, nullptr},
    {13, "\xC2\xB5m", scOther, "0.001mm"},
    {14, "decimetres", scOther, "100mm"},
    {15, "decametres", scOther, nullptr},
    {16, "hectometres", scOther, nullptr},
    {17, "gigametres", scOther, nullptr},
    {18, "astronomical units", scOther, nullptr},
    {19, "light years", scOther, nullptr},
    {20, "parsecs", scOther, nullptr},
    {21, "US survey feet", scOther, "12000.024mil"},
};

const TDrawingUnit* FindDrawingUnit(int16_t code) {
    for (const TDrawingUnit& unit : kDrawingUnits)
        if (unit.Code == code) return &unit;
    return nullptr;
}

std::string LowerCase(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) {
        return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return lower;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// A text the unit parser reads whole: blanks, an optional sign, digits with an optional "."
// fraction and an optional exponent, then an optional "mm" or "mil" in any case.
bool IsUnitText(std::string_view text) {
    std::string compact;
    for (char c : text)
        if (c != ' ') compact += c;
    std::string_view number = compact;
    auto endsWith = [&number](std::string_view suffix) {
        return number.size() >= suffix.size() &&
               CompareNoCase(number.substr(number.size() - suffix.size()), suffix) == 0;
    };
    if (endsWith("mm"))
        number.remove_suffix(2);
    else if (endsWith("mil"))
        number.remove_suffix(3);
    std::size_t i = 0;
    if (i < number.size() && (number[i] == '+' || number[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < number.size() && IsDigit(number[i]))
        ++i, ++digits;
    if (i < number.size() && number[i] == '.') {
        ++i;
        while (i < number.size() && IsDigit(number[i]))
            ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < number.size() && (number[i] == 'e' || number[i] == 'E')) {
        ++i;
        if (i < number.size() && (number[i] == '+' || number[i] == '-')) ++i;
        std::size_t exponent = 0;
        while (i < number.size() && IsDigit(number[i]))
            ++i, ++exponent;
        if (exponent == 0) return false;
    }
    return i == number.size();
}

// The entry of `list` equal to `text` ignoring case, or null.
const std::string* FindNoCase(const std::vector<std::string>& list, std::string_view text) {
    for (const std::string& entry : list)
        if (EqualsNoCase(entry, text)) return &entry;
    return nullptr;
}

// One "NAME=VALUE" line split; the row part of layer:, condition: and diameter: names apart.
struct TAnswer {
    std::string_view Line;
    const abi::TDialogAnswerEntry* Control = nullptr; // null when the name is no control's
    std::string_view Row; // the drawing layer of a row answer, else empty
    std::string_view Value;
};

std::vector<TAnswer> SplitAnswers(std::string_view lines) {
    std::vector<TAnswer> answers;
    while (!lines.empty()) {
        const std::size_t end = lines.find('\n');
        std::string_view line = lines.substr(0, end);
        lines = end == std::string_view::npos ? std::string_view() : lines.substr(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) continue;
        TAnswer answer;
        answer.Line = line;
        answer.Control = abi::FindDialogAnswer(
            TrimBlanks(line.substr(0, equals), kBlanksAndLineEnds), &answer.Row);
        answer.Value = TrimBlanks(line.substr(equals + 1), kBlanksAndLineEnds);
        answers.push_back(answer);
    }
    return answers;
}

std::string Quoted(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

TSetupDialogFactory& Factory() {
    static TSetupDialogFactory factory;
    return factory;
}

} // namespace

TSetupDialog::TSetupDialog(TPcbBoard* board) : Board_(board) {
    Assert(board != nullptr, kModule);
}

TSetupDialog::~TSetupDialog() = default;

int32_t TSetupDialog::ShowModal() {
    std::string error;
    if (!ApplyHostPresets(error)) {
        ShowError(error + " Nothing was imported.");
        return abi::kIdCancel;
    }
    return AnswerResult_;
}

bool TSetupDialog::ApplyHostPresets(std::string& error) {
    PresetsRefusal_.clear();
    abi::IClient* client = HostClient();
    if (!client) return true;
    const char* settings = client->SettingsFile();
    if (settings && *settings) {
        const std::string path = settings;
        std::error_code failure;
        if (!std::filesystem::is_regular_file(path, failure) || !std::ifstream(path)) {
            error = "Cannot load the settings file " + path +
                    ": it does not exist or cannot be read. Give an INI file that Save Settings "
                    "wrote.";
            PresetsRefusal_ = error;
            return false;
        }
        LoadSettingsFile(path);
    }
    const char* answers = client->DialogAnswers();
    if (!answers || ApplyAnswers(answers, &error)) return true;
    PresetsRefusal_ = error;
    return false;
}

TSetupProcessor& TSetupDialog::RequireProcessor() const {
    Assert(Processor_ != nullptr, kModule);
    return *Processor_;
}

bool TSetupDialog::DiameterInMils() const {
    return RequireProcessor().DrawingScale() == 1.0;
}

bool TSetupDialog::BareNumberUnit() const {
    return Board_->DisplayUnit;
}

// ---- Filling and writing back ------------------------------------------------------------------

void TSetupDialog::LoadFromProcessor(TSetupProcessor& processor) {
    Processor_ = &processor;
    LoadLayerMappings(&processor.Mappings());
    LineWidthText_ = CoordToUnitText(processor.DefaultLineWidth(), DiameterInMils());
    SpaceIndex_ = processor.SpacesToImport();
    BlocksIndex_ = processor.ExplodeBlocks() ? 1 : 0;
    SplinesIndex_ = processor.ConvertSplines() ? 1 : 0;
    // The drawing's own units, when it declares them, are the starting scale.
    const TDrawingUnit* unit = FindDrawingUnit(processor.DrawingUnits());
    if (unit && unit->UnitsText) {
        Scale_ = unit->Choice;
        SetUnitsText(unit->UnitsText);
    } else {
        Scale_ = processor.DrawingScale() == 1.0 ? scMm : scMil;
    }
    if (unit)
        UnitsNoteText_ = std::string("Drawing units: ") + unit->Name +
                         (unit->UnitsText ? " (declared in the file)"
                                          : " (declared in the file; choose the scale yourself)");
    else if (processor.DrawingUnits() != 0)
        UnitsNoteText_ = "Drawing units: code " + std::to_string(processor.DrawingUnits()) +
                         " (declared in the file, unknown; choose the scale yourself)";
    else
        UnitsNoteText_ = "Drawing units: not declared";
    ScaleRadioClick();
    ExtentsChange();
    InsertionX_ = processor.InsertionPointX();
    InsertionY_ = processor.InsertionPointY();
    ShowInsertionPoint();
    FillPcbLayerList();
    FillConditionList();
    Filled();
}

void TSetupDialog::SaveToProcessor(TSetupProcessor& processor) {
    Processor_ = &processor;
    SaveLayerMappings(processor.Mappings());
    bool inMils = BareNumberUnit();
    processor.SetDefaultLineWidth(UnitTextToCoord(LineWidthText_, inMils));
    inMils = BareNumberUnit();
    const TBoardCoord x = UnitTextToCoord(XText_, inMils);
    inMils = BareNumberUnit();
    const TBoardCoord y = UnitTextToCoord(YText_, inMils);
    processor.SetInsertionPoint(x, y);
    processor.SetExplodeBlocks(BlocksIndex_ == 1);
    processor.SetConvertSplines(SplinesIndex_ == 1);
    UpdateExtents();
}

// ---- Scale and extents -------------------------------------------------------------------------

void TSetupDialog::ScaleRadioClick() {
    switch (Scale_) {
    case scMm:
        SetUnitsText("1mm");
        break;
    case scMil:
        SetUnitsText("1mil");
        break;
    case scInch:
        SetUnitsText("1000mil");
        break;
    case scOther:
        break;
    }
}

void TSetupDialog::ExtentsChange() {
    UpdateExtents();
}

void TSetupDialog::UnitsEditEnter() {
    Scale_ = scOther;
}

void TSetupDialog::UnitsEditExit() {
    if (EqualsNoCase(UnitsText_, "1mil"))
        Scale_ = scMil;
    else if (EqualsNoCase(UnitsText_, "1mm"))
        Scale_ = scMm;
    else if (EqualsNoCase(UnitsText_, "1000mil"))
        Scale_ = scInch;
    else
        Scale_ = scOther;
}

void TSetupDialog::ApplyScale() {
    bool inMils = BareNumberUnit();
    const TBoardCoord units = UnitTextToCoord(UnitsText_, inMils);
    if (units != 0) RequireProcessor().SetDrawingScale(1.0 / units);
}

void TSetupDialog::UpdateExtents() {
    TSetupProcessor& processor = RequireProcessor();
    ApplyScale();
    processor.SetSpacesToImport(static_cast<uint8_t>(SpaceIndex_));
    processor.RecomputeExtents();
    const int32_t width = processor.ExtentsWidth();
    const int32_t height = processor.ExtentsHeight();
    const bool inMils = Board_->DisplayUnit;
    SizeText_ = "Size = " + CoordToUnitText(width, inMils) + " (" +
                CoordToUnitText(width, !inMils) + ")" + " x " + CoordToUnitText(height, inMils) +
                " (" + CoordToUnitText(height, !inMils) + ")";
    SizeRed_ = width > kSizeLimit || height > kSizeLimit;
}

void TSetupDialog::ShowInsertionPoint() {
    XText_ = CoordToUnitText(InsertionX_, Board_->DisplayUnit);
    YText_ = CoordToUnitText(InsertionY_, Board_->DisplayUnit);
}

void TSetupDialog::ButtonSelectClick() {
    if (ChooseBoardLocation(*Board_, InsertionX_, InsertionY_, "Select Insertion Point"))
        ShowInsertionPoint();
}

// ---- Settings files ----------------------------------------------------------------------------

std::string TSetupDialog::ChooseSettingsFile(bool) {
    return {};
}

void TSetupDialog::LoadSettingsButtonClick() {
    const std::string path = ChooseSettingsFile(false);
    if (!path.empty()) LoadSettingsFile(path);
}

void TSetupDialog::SaveSettingsButtonClick() {
    const std::string path = ChooseSettingsFile(true);
    if (path.empty()) return;
    std::string error;
    if (!SaveSettingsFile(path, error)) ShowError(error);
}

void TSetupDialog::ShowError(const std::string& text) {
    if (abi::IClient* client = HostClient())
        client->ShowMessage("Error", text.c_str(), abi::kMbOk | abi::kMbIconError);
}

void TSetupDialog::LoadSettingsFile(const std::string& path) {
    TSetupProcessor& processor = RequireProcessor();
    const TIniSettingsStore store(path);
    if (!store.ReadProblem().empty()) {
        ShowError(store.ReadProblem() + " The settings were not changed.");
        return;
    }
    processor.LoadSettings(store);
    LoadFromProcessor(processor);
}

bool TSetupDialog::SaveSettingsFile(const std::string& path, std::string& error) {
    TIniSettingsStore store(path);
    if (!store.ReadProblem().empty()) {
        error = store.ReadProblem() + " Nothing was saved; choose another file.";
        return false;
    }
    RequireProcessor().SaveSettings(store);
    return store.Save(error);
}

// ---- The user's actions on the general controls
// ---------------------------------------------------

void TSetupDialog::ClickScale(TScaleChoice choice) {
    Scale_ = choice;
    ScaleRadioClick();
}

void TSetupDialog::SetUnitsText(std::string_view text) {
    if (UnitsText_ == text) return; // an edit reports changes only
    UnitsText_ = text;
    if (Processor_) ExtentsChange();
}

void TSetupDialog::ClickDrawingSpace(int index) {
    SpaceIndex_ = index == 1 ? 1 : 0;
    if (Processor_) ExtentsChange();
}

void TSetupDialog::ChooseBlocks(int index) {
    BlocksIndex_ = index == 1 ? 1 : 0;
}

bool TSetupDialog::WithinBoardRegion(std::string_view lengthText, bool signedPlace) const {
    constexpr double kBoardRegion = 1000000000.0; // 100 inch
    bool inMils = BareNumberUnit();
    const double length = UnitTextToRealCoord(lengthText, inMils);
    return length >= (signedPlace ? -kBoardRegion : 0.0) && length <= kBoardRegion;
}

void TSetupDialog::ChooseSplines(int index) {
    SplinesIndex_ = index == 1 ? 1 : 0;
}

bool TSetupDialog::ApplyAnswers(std::string_view lines, std::string* error) {
    static constexpr auto rowOf = [](const TSetupDialog& dialog, std::string_view name) {
        for (std::size_t i = 0; i < dialog.Rows_.size(); ++i)
            if (EqualsNoCase(dialog.Rows_[i].SourceLayerName, name)) return static_cast<int>(i);
        return -1;
    };
    static constexpr auto isOneOf = [](std::string_view value,
                                       std::initializer_list<std::string_view> words) {
        for (std::string_view word : words)
            if (EqualsNoCase(value, word)) return true;
        return false;
    };
    static constexpr auto checkLength = [](const TSetupDialog& dialog, std::string_view value,
                                           bool width) -> std::string {
        if (!IsUnitText(value))
            return "is not a length. Write a number with mm or mil, for example 0.2mm.";
        if (!dialog.WithinBoardRegion(value, !width))
            return width ? "is not a line width. Write a length from 0 to 100 inch, for example "
                           "0.2mm."
                         : "lies outside the board. Write a length from -100 to 100 inch, for "
                           "example 1000mil.";
        return {};
    };
    static constexpr auto checkRow = [](const TSetupDialog& dialog,
                                        const TAnswer& answer) -> std::string {
        if (rowOf(dialog, answer.Row) >= 0) return {};
        return "names the drawing layer " + Quoted(answer.Row) +
               ", which the drawing does not have. Name one of the layers in the dialog's Source "
               "Layer Name column.";
    };
    // A row answer is an edit of that row alone; the user's selection stays.
    static constexpr auto editRow = [](TSetupDialog& dialog, const TAnswer& answer,
                                       TLayerColumn column, std::string_view text) {
        const std::vector<int> selected = dialog.Selected_;
        const int focused = dialog.FocusedRow_;
        const int row = rowOf(dialog, answer.Row);
        dialog.Selected_ = {row};
        dialog.FocusedRow_ = row;
        dialog.SetCellText(row, column, text);
        dialog.LayerTreeListEdited(column);
        dialog.Selected_ = selected;
        dialog.FocusedRow_ = focused;
    };

    // What each control of the answer table checks (the refusal's reason, empty when the value
    // is one the control takes) and how it takes the value, in the order of abi::TDialogAnswer.
    struct TAnswerRule {
        abi::TDialogAnswer Answer;
        std::string (*Check)(const TSetupDialog& dialog, const TAnswer& answer);
        void (*Apply)(TSetupDialog& dialog, const TAnswer& answer);
    };
    static constexpr TAnswerRule kRules[] = {
        {abi::daUnits,
         [](const TSetupDialog& dialog, const TAnswer& answer) -> std::string {
             bool inMils = dialog.BareNumberUnit();
             if (IsUnitText(answer.Value) && UnitTextToCoord(answer.Value, inMils) > 0) return {};
             return "gives no length for one AutoCAD unit. Write a positive number with mm or "
                    "mil, for example units=1mm.";
         },
         [](TSetupDialog& dialog, const TAnswer& answer) {
             dialog.UnitsEditEnter();
             dialog.SetUnitsText(answer.Value);
             dialog.UnitsEditExit();
         }},
        {abi::daScale,
         [](const TSetupDialog&, const TAnswer& answer) -> std::string {
             if (isOneOf(answer.Value, {"mm", "mil", "inch", "other"})) return {};
             return "is not a choice of Scale. Use mm, mil, inch or other.";
         },
         [](TSetupDialog& dialog, const TAnswer& answer) {
             const std::string_view value = answer.Value;
             dialog.ClickScale(EqualsNoCase(value, "mm")     ? scMm
                               : EqualsNoCase(value, "mil")  ? scMil
                               : EqualsNoCase(value, "inch") ? scInch
                                                             : scOther);
         }},
        {abi::daSpace,
         [](const TSetupDialog&, const TAnswer& answer) -> std::string {
             if (isOneOf(answer.Value, {"Model", "Paper", "0", "1"})) return {};
             return "is not a choice of Drawing Space. Use Model or Paper.";
         },
         [](TSetupDialog& dialog, const TAnswer& answer) {
             dialog.ClickDrawingSpace(isOneOf(answer.Value, {"Paper", "1"}) ? 1 : 0);
         }},
        {abi::daBlocks,
         [](const TSetupDialog&, const TAnswer& answer) -> std::string {
             if (isOneOf(answer.Value, {"Components", "Primitives", "0", "1"})) return {};
             return "is not a choice of Blocks. Use Components or Primitives.";
         },
         [](TSetupDialog& dialog, const TAnswer& answer) {
             dialog.ChooseBlocks(isOneOf(answer.Value, {"Primitives", "1"}) ? 1 : 0);
         }},
        {abi::daSplines,
         [](const TSetupDialog&, const TAnswer& answer) -> std::string {
             if (isOneOf(answer.Value, {"Discard", "Approximate", "0", "1"})) return {};
             return "is not a choice of Splines. Use Discard or Approximate.";
         },
         [](TSetupDialog& dialog, const TAnswer& answer) {
             dialog.ChooseSplines(isOneOf(answer.Value, {"Approximate", "1"}) ? 1 : 0);
         }},
        {abi::daLineWidth,
         [](const TSetupDialog& dialog, const TAnswer& answer) {
             return checkLength(dialog, answer.Value, true);
         },
         [](TSetupDialog& dialog, const TAnswer& answer) {
             dialog.SetLineWidthText(answer.Value);
         }},
        {abi::daX,
         [](const TSetupDialog& dialog, const TAnswer& answer) {
             return checkLength(dialog, answer.Value, false);
         },
         [](TSetupDialog& dialog, const TAnswer& answer) { dialog.SetXText(answer.Value); }},
        {abi::daY,
         [](const TSetupDialog& dialog, const TAnswer& answer) {
             return checkLength(dialog, answer.Value, false);
         },
         [](TSetupDialog& dialog, const TAnswer& answer) { dialog.SetYText(answer.Value); }},
        {abi::daLayer,
         [](const TSetupDialog& dialog, const TAnswer& answer) -> std::string {
             std::string why = checkRow(dialog, answer);
             if (why.empty() && !FindNoCase(dialog.PcbLayerList_, answer.Value))
                 why = "names no PCB layer of the board. Use Not Imported or a layer's name as "
                       "the board shows it, for example Top Layer.";
             return why;
         },
         [](TSetupDialog& dialog, const TAnswer& answer) {
             editRow(dialog, answer, lcPcbLayer, *FindNoCase(dialog.PcbLayerList_, answer.Value));
         }},
        {abi::daCondition,
         [](const TSetupDialog& dialog, const TAnswer& answer) -> std::string {
             std::string why = checkRow(dialog, answer);
             if (why.empty() && !FindNoCase(dialog.ConditionList_, answer.Value))
                 why = "is not a Conversion Condition. Use All, None, Larger Than or Smaller "
                       "Than.";
             return why;
         },
         [](TSetupDialog& dialog, const TAnswer& answer) {
             editRow(dialog, answer, lcConversionCondition,
                     *FindNoCase(dialog.ConditionList_, answer.Value));
         }},
        {abi::daDiameter,
         [](const TSetupDialog& dialog, const TAnswer& answer) -> std::string {
             std::string why = checkRow(dialog, answer);
             if (why.empty() && !IsUnitText(answer.Value))
                 why = "is not a length. Write a number with mm or mil, for example 0.5mm.";
             if (why.empty() && !dialog.WithinBoardRegion(answer.Value, false))
                 why = "is not a diameter. Write a length from 0 to 100 inch, for example 0.5mm.";
             return why;
         },
         [](TSetupDialog& dialog, const TAnswer& answer) {
             editRow(dialog, answer, lcOuterDiameter, answer.Value);
         }},
        {abi::daResult,
         [](const TSetupDialog&, const TAnswer& answer) -> std::string {
             if (isOneOf(answer.Value, {"OK", "Cancel"})) return {};
             return "is not a button of the dialog. Use OK or Cancel.";
         },
         [](TSetupDialog& dialog, const TAnswer& answer) {
             dialog.AnswerResult_ = EqualsNoCase(answer.Value, "OK") ? abi::kIdOk : abi::kIdCancel;
         }},
    };
    static_assert(std::size(kRules) == abi::kDialogAnswerCount);
    static_assert([] {
        for (std::size_t i = 0; i < std::size(kRules); ++i)
            if (kRules[i].Answer != i) return false;
        return true;
    }());

    // Every answer is checked before any is applied: a refused one leaves the dialog as it was.
    const std::vector<TAnswer> answers = SplitAnswers(lines);
    for (const TAnswer& answer : answers) {
        std::string why = answer.Control ? kRules[answer.Control->Answer].Check(*this, answer)
                                         : "names no control of the import options dialog. Use " +
                                               abi::DialogAnswerNamesText() + ".";
        if (!why.empty()) {
            if (error) *error = "The answer " + Quoted(answer.Line) + " " + why;
            return false;
        }
    }
    for (const TAnswer& answer : answers)
        kRules[answer.Control->Answer].Apply(*this, answer);
    return true;
}

// ---- Layer tree --------------------------------------------------------------------------------

std::string TSetupDialog::BoardLayerName(TV7_Layer layer) const {
    if (layer == NoLayer) return "Not Imported";
    abi::IPCB_Board* board = Board_->GetBoardInterface();
    if (!board) return LayerViewName(layer); // no host board: the host's usual name
    char name[abi::kText256] = {};
    board->LayerName(layer, name);
    name[abi::kText256 - 1] = '\0';
    return name;
}

TV7_Layer TSetupDialog::FindBoardLayerByName(std::string_view text) const {
    const std::string upper = ToUpperAscii(text);
    if (abi::IPCB_Board* board = Board_->GetBoardInterface()) {
        if (abi::IPCB_LayerIterator* iterator = board->LayerIterator()) {
            TV7_Layer found = NoLayer;
            char name[abi::kText256] = {};
            while (iterator->Next()) {
                name[0] = '\0';
                iterator->Name(name);
                name[abi::kText256 - 1] = '\0';
                if (ToUpperAscii(name) == upper) {
                    found = iterator->Layer();
                    break;
                }
            }
            iterator->Release();
            if (found != NoLayer) return found;
        }
    }
    return LayerFromViewName(upper);
}

void TSetupDialog::LoadLayerMappings(const TLayerMappings* mappings) {
    if (!mappings) return;
    Rows_.clear();
    Selected_.clear();
    FocusedRow_ = -1;
    const bool inMils = DiameterInMils();
    Rows_.reserve(static_cast<std::size_t>(mappings->Count()));
    for (int i = 0; i < mappings->Count(); ++i) {
        TLayerRow row;
        row.SourceLayerName = mappings->Name(i);
        row.PcbLayer = BoardLayerName(mappings->Layer(i));
        row.OuterDiameter =
            RealCoordToUnitText(inMils, static_cast<double>(RoundToInt64(mappings->Threshold(i))));
        row.Condition = mappings->Condition(i);
        row.ConversionCondition = ConversionConditionName(row.Condition);
        Rows_.push_back(std::move(row));
    }
}

void TSetupDialog::SaveLayerMappings(TLayerMappings& mappings) {
    mappings.Clear();
    bool inMils = BareNumberUnit(); // one flag for the whole pass
    for (const TLayerRow& row : Rows_) {
        const double threshold = UnitTextToCoord(row.OuterDiameter, inMils);
        mappings.SetMapping(row.SourceLayerName, FindBoardLayerByName(row.PcbLayer), row.Condition,
                            threshold);
    }
}

void TSetupDialog::FillPcbLayerList() {
    PcbLayerList_.clear();
    TLayerIterator layers = TLayerUtils::Instance().AllLayersIterator();
    while (layers.Next()) {
        const TV7_Layer layer = layers.Current();
        if (IsNoLayer(layer) || IsDesignLayer(layer))
            PcbLayerList_.push_back(BoardLayerName(layer));
    }
}

void TSetupDialog::FillConditionList() {
    ConditionList_ = {"All", "None", "Larger Than", "Smaller Than"};
    BuildLayerMenus();
}

void TSetupDialog::BuildLayerMenus() {
    SignalMenu_.clear();
    MechanicalMenu_.clear();
    PlaneMenu_.clear();
    OtherMenu_.clear();
    TLayerIterator layers = TLayerUtils::Instance().AllLayersIterator();
    while (layers.Next()) {
        const TV7_Layer layer = layers.Current();
        if (IsNoLayer(layer)) {
            NotImportedItem_ = {BoardLayerName(layer), layer};
            continue;
        }
        if (!IsDesignLayer(layer)) continue;
        const TLayerPartition partition = LayerPartitionOf(layer);
        TLayerMenuItem item{BoardLayerName(layer), layer};
        if (partition >= 1 && partition <= 3)
            SignalMenu_.push_back(std::move(item));
        else if (partition == 5)
            MechanicalMenu_.push_back(std::move(item));
        else if (partition == 4)
            PlaneMenu_.push_back(std::move(item));
        else
            OtherMenu_.push_back(std::move(item));
    }
}

void TSetupDialog::AddToDiameterHistory(std::string_view text) {
    std::vector<std::string> list = DiameterHistory_;
    const TNoCaseLess less;
    std::stable_sort(list.begin(), list.end(), less);
    if (!std::binary_search(list.begin(), list.end(), text, less)) list.emplace_back(text);
    DiameterHistory_ = std::move(list);
}

void TSetupDialog::AddToRecentLayers(TV7_Layer layer) {
    std::erase(RecentLayers_, layer);
    RecentLayers_.push_back(layer);
    if (RecentLayers_.size() > kMaxRecentLayers) RecentLayers_.erase(RecentLayers_.begin());
}

bool TSetupDialog::LayerTreeListEditing(TLayerColumn column) {
    return column != lcSourceLayerName;
}

void TSetupDialog::LayerTreeListEdited(TLayerColumn column) {
    if (FocusedRow_ < 0 || FocusedRow_ >= static_cast<int>(Rows_.size())) return;
    TLayerRow& edited = Rows_[static_cast<std::size_t>(FocusedRow_)];
    switch (column) {
    case lcSourceLayerName:
        break;
    case lcConversionCondition: {
        edited.Condition = ConversionConditionFromName(edited.ConversionCondition);
        const std::string text = edited.ConversionCondition;
        const TConversionCondition condition = edited.Condition;
        for (int row : Selected_) {
            Rows_[static_cast<std::size_t>(row)].ConversionCondition = text;
            Rows_[static_cast<std::size_t>(row)].Condition = condition;
        }
        break;
    }
    case lcPcbLayer: {
        const std::string text = edited.PcbLayer;
        for (int row : Selected_)
            Rows_[static_cast<std::size_t>(row)].PcbLayer = text;
        break;
    }
    case lcOuterDiameter: {
        const std::string text = LowerCase(edited.OuterDiameter);
        edited.OuterDiameter = text;
        AddToDiameterHistory(text);
        for (int row : Selected_)
            Rows_[static_cast<std::size_t>(row)].OuterDiameter = text;
        break;
    }
    }
}

void TSetupDialog::PCBLayerColumnValidate(std::string_view text) {
    for (int row : Selected_)
        Rows_[static_cast<std::size_t>(row)].PcbLayer = text;
}

void TSetupDialog::LayerMenuItemClick(TV7_Layer layer) {
    const std::string text = BoardLayerName(layer);
    for (int row : Selected_)
        Rows_[static_cast<std::size_t>(row)].PcbLayer = text;
    AddToRecentLayers(layer);
}

void TSetupDialog::ConvertDonutsClick(TConversionCondition condition) {
    if (condition > ccLargerThan) return;
    const std::string text = ConversionConditionName(condition);
    for (int row : Selected_) {
        Rows_[static_cast<std::size_t>(row)].Condition = condition;
        Rows_[static_cast<std::size_t>(row)].ConversionCondition = text;
    }
}

std::vector<TLayerMenuItem> TSetupDialog::RecentLayerItems() const {
    std::vector<TLayerMenuItem> items;
    for (auto it = RecentLayers_.rbegin(); it != RecentLayers_.rend(); ++it)
        items.push_back({BoardLayerName(*it), *it});
    return items;
}

void TSetupDialog::SelectRows(std::vector<int> rows) {
    std::erase_if(rows,
                  [this](int row) { return row < 0 || row >= static_cast<int>(Rows_.size()); });
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    Selected_ = std::move(rows);
}

void TSetupDialog::SetCellText(int row, TLayerColumn column, std::string_view text) {
    if (row < 0 || row >= static_cast<int>(Rows_.size())) return;
    TLayerRow& target = Rows_[static_cast<std::size_t>(row)];
    switch (column) {
    case lcSourceLayerName:
        break; // read-only
    case lcPcbLayer:
        target.PcbLayer = text;
        break;
    case lcConversionCondition:
        target.ConversionCondition = text;
        break;
    case lcOuterDiameter:
        target.OuterDiameter = text;
        break;
    }
}

// ---- Creation and the location pick
// ---------------------------------------------------------------

void SetSetupDialogFactory(TSetupDialogFactory factory) {
    Factory() = std::move(factory);
}

std::unique_ptr<TSetupDialog> CreateSetupDialog(TPcbBoard& board) {
    if (Factory()) return Factory()(board);
    return std::make_unique<TSetupDialog>(&board);
}

bool ChooseBoardLocation(TPcbBoard& board, TBoardCoord& x, TBoardCoord& y,
                         const std::string& prompt) {
    if (!GetPcbServer()) return false;
    abi::IPCB_Board* boardInterface = board.GetBoardInterface();
    if (!boardInterface) return false;
    int32_t pickedX = x;
    int32_t pickedY = y;
    if (!boardInterface->ChooseLocation(&pickedX, &pickedY, prompt.c_str())) return false;
    x = pickedX;
    y = pickedY;
    return true;
}

} // namespace dxfi
