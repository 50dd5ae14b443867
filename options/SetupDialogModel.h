// SPDX-License-Identifier: MIT
// The import options dialog without widgets: the values its controls hold and the behaviour of
// its handlers (filling from the processor, the scale choice and units text, the size label,
// the insertion point, writing back, the layer mapping rows and their lists and menus). A view
// shows these values, forwards the user's actions to the handlers and repaints from the values
// afterwards. The user's input is never rejected; the only messages are an "Error" box for a
// host answer or settings file that cannot be taken (the dialog then answers Cancel) and for a
// settings file that cannot be saved. A missing board raises EAssertionFailure (module
// "Setup").
//
// Numbers typed without a unit suffix are read in the board's display unit, until a suffix in
// the same pass (the rows of one SaveLayerMappings) says otherwise.
#pragma once

#include "options/SetupProcessor.h"
#include "pcbclient/BoardUnits.h"
#include "pcbclient/Layers.h"
#include "pcbimport/LayerMappings.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace dxfi {

class TPcbBoard;
class TPcbDxfProcessor;

enum TScaleChoice : uint8_t { scMm, scMil, scInch, scOther };

enum TLayerColumn : uint8_t {
    lcSourceLayerName,
    lcPcbLayer,
    lcConversionCondition,
    lcOuterDiameter
};

// One row of the layer tree: its four texts and the condition the condition text names.
struct TLayerRow {
    std::string SourceLayerName;
    std::string PcbLayer;
    std::string ConversionCondition;
    std::string OuterDiameter;
    TConversionCondition Condition = ccAll;
};

// An item of the layer menus: its caption and the layer it applies.
struct TLayerMenuItem {
    std::string Caption;
    TV7_Layer Layer = NoLayer;
};

inline constexpr std::size_t kMaxRecentLayers = 5;
inline constexpr int32_t kSizeLimit = 999990000; // 99999 mils: larger extents show in red

class TSetupDialog {
public:
    // The board is not owned and must outlive the dialog.
    explicit TSetupDialog(TPcbBoard* board);
    virtual ~TSetupDialog();
    TSetupDialog(const TSetupDialog&) = delete;
    TSetupDialog& operator=(const TSetupDialog&) = delete;

    // Modal show: 1 (OK) or 2 (Cancel). Without widgets the dialog applies the host's settings
    // file and dialog answers (ApplyHostPresets) and answers OK, or Cancel after an "Error" box
    // when one of them cannot be taken; a view overrides this.
    virtual int32_t ShowModal();
    // Loads the settings file the host names (IClient::SettingsFile) as Load Settings would,
    // then applies the host's answers (IClient::DialogAnswers). False with `error` saying which
    // file or answer is wrong, and what to do, when the file cannot be read or an answer names
    // no control or gives a value its control cannot take; answers are then left unapplied.
    bool ApplyHostPresets(std::string& error);
    // Why ApplyHostPresets last refused the host's settings file or answers (its `error`);
    // empty when it took them or was not called.
    const std::string& PresetsRefusal() const { return PresetsRefusal_; }

    // ---- Called by the import run ------------------------------------------------------------
    void LoadFromProcessor(TSetupProcessor& processor);
    void LoadFromProcessor(TPcbDxfProcessor& processor); // through an adapter the dialog keeps
    void SaveToProcessor(TSetupProcessor& processor);
    void SaveToProcessor(TPcbDxfProcessor& processor);

    // ---- General options' handlers ------------------------------------------------------------
    void ScaleRadioClick();
    void ExtentsChange();
    void UnitsEditEnter();
    void UnitsEditExit();
    void ApplyScale();
    void UpdateExtents();
    void ShowInsertionPoint();
    // Picks the insertion point on the board; a view hides itself around the call.
    virtual void ButtonSelectClick();
    // Reads or writes the settings of an INI file the user picked (ChooseSettingsFile).
    void LoadSettingsButtonClick();
    void SaveSettingsButtonClick();
    // The settings file of LoadSettingsButtonClick / SaveSettingsButtonClick; the model has no
    // file dialogs and answers "" (none picked).
    virtual std::string ChooseSettingsFile(bool forSaving);
    // What the buttons do once a file is picked. Saving answers false with `error` naming the
    // file when it cannot be written; the button then shows that error (ShowError), so that a
    // lost save never passes unseen.
    void LoadSettingsFile(const std::string& path);
    bool SaveSettingsFile(const std::string& path, std::string& error);

    // ---- What the user does to the general controls ---------------------------------------------
    void ClickScale(TScaleChoice choice);     // checks the choice and raises ScaleRadioClick
    void SetUnitsText(std::string_view text); // a change raises ExtentsChange
    void ClickDrawingSpace(int index);
    void ChooseBlocks(int index);
    void ChooseSplines(int index); // 0 Discard, 1 Approximate
    void SetLineWidthText(std::string_view text) { LineWidthText_ = text; }
    void SetXText(std::string_view text) { XText_ = text; }
    void SetYText(std::string_view text) { YText_ = text; }

    // Applies "NAME=VALUE" lines as the user would: Units (or ScaleUnits) types the units text
    // and leaves the edit, Scale clicks mm, mil, inch or other, Space (or DrawingSpace) picks
    // Model or Paper (or 0, 1), Blocks picks Components or Primitives (or 0, 1), Splines picks
    // Discard or Approximate (or 0, 1), LineWidth, X
    // and Y type into their edits, Result OK or Cancel sets the answer of ShowModal. For the
    // drawing layer NAME, layer:NAME picks its PCB layer from the list, condition:NAME its
    // conversion condition, and diameter:NAME types its outer diameter, each as an edit of
    // that row alone. The window's object names (UnitsEdit, ScaleGroup, DrawingSpaceRadioGroup,
    // BlocksRadioGroup, SplinesComboBox, LineWidthEdit, XEdit, YEdit) name the same controls. Names
    // and words compare without regard to case; lines without "=" are skipped. Every line is
    // checked first: when one names no control, or gives a value its control cannot take (a unit
    // text that is no number with an optional mm or mil, a units text of no length, a word not
    // offered), nothing is applied and the answer is false with `error` naming that line.
    bool ApplyAnswers(std::string_view lines, std::string* error = nullptr);

    // ---- Layer tree
    // -------------------------------------------------------------------------------
    void LoadLayerMappings(const TLayerMappings* mappings);
    void SaveLayerMappings(TLayerMappings& mappings);
    std::string BoardLayerName(TV7_Layer layer) const;
    TV7_Layer FindBoardLayerByName(std::string_view text) const;
    void FillPcbLayerList();
    void FillConditionList();
    void BuildLayerMenus();
    void AddToDiameterHistory(std::string_view text);
    void AddToRecentLayers(TV7_Layer layer);
    // Whether the focused cell may be edited: every column but the source layer name.
    static bool LayerTreeListEditing(TLayerColumn column);
    // After the focused row's cell in `column` was committed with its new text.
    void LayerTreeListEdited(TLayerColumn column);
    void PCBLayerColumnValidate(std::string_view text);
    void LayerMenuItemClick(TV7_Layer layer);
    void ConvertDonutsClick(TConversionCondition condition);
    // The recent layers' items at the top of the popup menu, newest first.
    std::vector<TLayerMenuItem> RecentLayerItems() const;

    // The rows the user selected (ascending, within Rows()) and the focused row.
    void SelectRows(std::vector<int> rows);
    void SetFocusedRow(int row) { FocusedRow_ = row; }
    // The tree's in-place editing: the focused row's cell takes the text.
    void SetCellText(int row, TLayerColumn column, std::string_view text);

    // ---- Control values
    // ---------------------------------------------------------------------------
    TScaleChoice Scale() const { return Scale_; }
    const std::string& UnitsText() const { return UnitsText_; }
    int SpaceIndex() const { return SpaceIndex_; }
    int BlocksIndex() const { return BlocksIndex_; }
    int SplinesIndex() const { return SplinesIndex_; }
    const std::string& LineWidthText() const { return LineWidthText_; }
    const std::string& XText() const { return XText_; }
    const std::string& YText() const { return YText_; }
    const std::string& SizeText() const { return SizeText_; }
    // "Drawing units: mm (declared in the file)" or "Drawing units: not declared".
    const std::string& UnitsNoteText() const { return UnitsNoteText_; }
    bool SizeRed() const { return SizeRed_; }
    const std::vector<TLayerRow>& Rows() const { return Rows_; }
    const std::vector<int>& SelectedRows() const { return Selected_; }
    const std::vector<std::string>& PcbLayerList() const { return PcbLayerList_; }
    const std::vector<std::string>& ConditionList() const { return ConditionList_; }
    const std::vector<std::string>& DiameterHistory() const { return DiameterHistory_; }
    const std::vector<TV7_Layer>& RecentLayers() const { return RecentLayers_; }
    const TLayerMenuItem& NotImportedItem() const { return NotImportedItem_; }
    const std::vector<TLayerMenuItem>& SignalLayersMenu() const { return SignalMenu_; }
    const std::vector<TLayerMenuItem>& MechanicalLayersMenu() const { return MechanicalMenu_; }
    const std::vector<TLayerMenuItem>& InternalPlanesMenu() const { return PlaneMenu_; }
    const std::vector<TLayerMenuItem>& OtherLayersMenu() const { return OtherMenu_; }
    TPcbBoard& Board() const { return *Board_; }
    TSetupProcessor* Processor() const { return Processor_; }

protected:
    // Called at the end of every LoadFromProcessor, so that a view can show the new values.
    virtual void Filled() {}
    // An "Error" box; the model asks the host's message function.
    virtual void ShowError(const std::string& text);
    // Mils when the processor's scale is exactly 1, else millimetres.
    bool DiameterInMils() const;
    // The starting unit of bare numbers: the board's display unit.
    bool BareNumberUnit() const;
    // True when the length text lies from 0 (-100 inch for a signed place) to 100 inch.
    bool WithinBoardRegion(std::string_view lengthText, bool signedPlace) const;
    int32_t AnswerResult_ = 1;

private:
    TSetupProcessor& RequireProcessor() const;

    TPcbBoard* Board_;
    std::string PresetsRefusal_;
    TSetupProcessor* Processor_ = nullptr;
    std::unique_ptr<TSetupProcessor> Adapter_;
    TBoardCoord InsertionX_ = 0;
    TBoardCoord InsertionY_ = 0;

    TScaleChoice Scale_ = scMm;
    std::string UnitsText_ = "UnitsEdit";
    int SpaceIndex_ = 0;
    int BlocksIndex_ = 0;
    int SplinesIndex_ = 0;
    std::string LineWidthText_;
    std::string XText_;
    std::string YText_;
    std::string SizeText_ = "Extents";
    std::string UnitsNoteText_;
    bool SizeRed_ = false;

    std::vector<TLayerRow> Rows_;
    std::vector<int> Selected_;
    int FocusedRow_ = -1;
    std::vector<std::string> PcbLayerList_;
    std::vector<std::string> ConditionList_;
    std::vector<std::string> DiameterHistory_;
    std::vector<TV7_Layer> RecentLayers_;
    TLayerMenuItem NotImportedItem_;
    std::vector<TLayerMenuItem> SignalMenu_;
    std::vector<TLayerMenuItem> MechanicalMenu_;
    std::vector<TLayerMenuItem> PlaneMenu_;
    std::vector<TLayerMenuItem> OtherMenu_;
};

// Which dialog the import run creates: a view registers a factory for its own class; without
// one the run gets the widget-free TSetupDialog. An empty function restores that default.
using TSetupDialogFactory = std::function<std::unique_ptr<TSetupDialog>(TPcbBoard& board)>;
void SetSetupDialogFactory(TSetupDialogFactory factory);
std::unique_ptr<TSetupDialog> CreateSetupDialog(TPcbBoard& board);

// Lets the user pick a board location through the board's interface, showing `prompt`. True
// and the location in x, y when one was picked; otherwise x and y are left unchanged.
bool ChooseBoardLocation(TPcbBoard& board, TBoardCoord& x, TBoardCoord& y,
                         const std::string& prompt);

} // namespace dxfi
