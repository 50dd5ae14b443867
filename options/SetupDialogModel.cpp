// SPDX-License-Identifier: MIT
#include "options/SetupDialogModel.h"

#include "base/Assertion.h"
#include "base/Rounding.h"
#include "base/TextCompare.h"
#include "pcbclient/PcbApiBinding.h"
#include "pcbclient/PcbBoard.h"

#include <algorithm>

namespace dxfi {

namespace {

constexpr const char* kModule = "Setup";

std::string UpperCase(std::string_view text) {
    std::string upper(text);
    std::transform(upper.begin(), upper.end(), upper.begin(), UpperAscii);
    return upper;
}

std::string LowerCase(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) {
        return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return lower;
}

bool SameNoCase(std::string_view a, std::string_view b) {
    return CompareNoCase(a, b) == 0;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
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
    if (abi::IClient* client = HostClient()) {
        const char* answers = client->DialogAnswers();
        if (answers) ApplyAnswers(answers);
    }
    return AnswerResult_;
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
    Scale_ = processor.DrawingScale() == 1.0 ? scMm : scMil;
    ScaleRadioClick();
    ExtentsChange();
    InsertionX_ = processor.InsertionPointX();
    InsertionY_ = processor.InsertionPointY();
    ShowInsertionPoint();
    FillPcbLayerList();
    FillConditionList();
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
    if (SameNoCase(UnitsText_, "1mil"))
        Scale_ = scMil;
    else if (SameNoCase(UnitsText_, "1mm"))
        Scale_ = scMm;
    else if (SameNoCase(UnitsText_, "1000mil"))
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
    SaveSettingsFile(path, error);
}

void TSetupDialog::LoadSettingsFile(const std::string& path) {
    TSetupProcessor& processor = RequireProcessor();
    const TIniSettingsStore store(path);
    processor.LoadSettings(store);
    LoadFromProcessor(processor);
}

bool TSetupDialog::SaveSettingsFile(const std::string& path, std::string& error) {
    TIniSettingsStore store(path);
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

void TSetupDialog::ApplyAnswers(std::string_view lines) {
    while (!lines.empty()) {
        const std::size_t end = lines.find('\n');
        const std::string_view line = lines.substr(0, end);
        lines = end == std::string_view::npos ? std::string_view() : lines.substr(end + 1);
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) continue;
        const std::string_view name = Trim(line.substr(0, equals));
        const std::string_view value = Trim(line.substr(equals + 1));
        if (SameNoCase(name, "Units") || SameNoCase(name, "ScaleUnits")) {
            UnitsEditEnter();
            SetUnitsText(value);
            UnitsEditExit();
        } else if (SameNoCase(name, "Scale")) {
            if (SameNoCase(value, "mm"))
                ClickScale(scMm);
            else if (SameNoCase(value, "mil"))
                ClickScale(scMil);
            else if (SameNoCase(value, "inch"))
                ClickScale(scInch);
            else if (SameNoCase(value, "other"))
                ClickScale(scOther);
        } else if (SameNoCase(name, "DrawingSpace")) {
            if (SameNoCase(value, "Model") || value == "0")
                ClickDrawingSpace(0);
            else if (SameNoCase(value, "Paper") || value == "1")
                ClickDrawingSpace(1);
        } else if (SameNoCase(name, "Blocks")) {
            if (SameNoCase(value, "Components") || value == "0")
                ChooseBlocks(0);
            else if (SameNoCase(value, "Primitives") || value == "1")
                ChooseBlocks(1);
        } else if (SameNoCase(name, "LineWidth")) {
            SetLineWidthText(value);
        } else if (SameNoCase(name, "X")) {
            SetXText(value);
        } else if (SameNoCase(name, "Y")) {
            SetYText(value);
        } else if (SameNoCase(name, "Result")) {
            if (SameNoCase(value, "OK"))
                AnswerResult_ = 1;
            else if (SameNoCase(value, "Cancel"))
                AnswerResult_ = 2;
        }
    }
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
    const std::string upper = UpperCase(text);
    if (abi::IPCB_Board* board = Board_->GetBoardInterface()) {
        if (abi::IPCB_LayerIterator* iterator = board->LayerIterator()) {
            TV7_Layer found = NoLayer;
            char name[abi::kText256] = {};
            while (iterator->Next()) {
                name[0] = '\0';
                iterator->Name(name);
                name[abi::kText256 - 1] = '\0';
                if (UpperCase(name) == upper) {
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
