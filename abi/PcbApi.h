// SPDX-License-Identifier: MIT
// The host PCB module's flat functions: board handle, object creation and containers,
// iterators, property exchange and the progress display. Exported by the host module; the
// plug-in binds them by name from the already loaded module (never loads it).
//
// Conventions for every function:
// - Handles are opaque 32-bit values owned by the host; 0 means none. A handle that names no
//   object (or an object of another kind) is refused: the function changes nothing, writes
//   nothing and returns a non-zero status (or 0 where the result is a handle or a kind).
// - `mode` is a TPropertyTransfer: ptRead (1) fills every pointed-to value from the object,
//   ptWrite (0) stores them into it, ptUpdate (2) stores them into an object already in use
//   (a component written so carries its children to its new location and rotation).
// - Query functions take one pointer per property, in the order listed, and return 0 on
//   success. Pointers are never null.
// - Text buffers: kText256 bytes (NUL-terminated, at most 255 bytes of UTF-8) unless stated;
//   kText21 for the short strings of pads and layers. Writers cut texts that do not fit.
// - Layers are TV7_Layer values (32-bit) unless stated; classic layers are bytes 0..82.
// - No function throws.
#pragma once

#include "abi/CallConv.h"

#include <cstdint>

namespace dxfi::abi {

using THandle = uint32_t;

enum TPropertyTransfer : uint8_t { ptWrite = 0, ptRead = 1, ptUpdate = 2 };

inline constexpr int kText256 = 256;
inline constexpr int kText21 = 21;
// Size of each opaque board option record (grids, output, Gerber, printer, placer, ECO,
// plot/flip layer, plotter pen and composite layer entries); the host keeps them verbatim.
inline constexpr int kBoardOptionRecordSize = 128;
inline constexpr int kPlotLayerCount = 109; // indexes 1..109
// The printer options' plotter pens and composite layers use the same indexes 1..109.
inline constexpr int kPlotterPenCount = kPlotLayerCount;
inline constexpr int kCompositeLayerCount = kPlotLayerCount;

// Object kinds (TPcbObjectKind).
inline constexpr uint8_t kKindArc = 1, kKindPad = 2, kKindVia = 3, kKindTrack = 4, kKindText = 5,
                         kKindFill = 6, kKindFromTo = 7, kKindNet = 8, kKindComponent = 9,
                         kKindPolygon = 10, kKindRegion = 11, kKindComponentBody = 12,
                         kKindDimension = 13, kKindCoordinate = 14, kKindObjectClass = 15,
                         kKindRule = 16, kKindManualFromTo = 17, kKindDifferentialPair = 18,
                         kKindViolation = 19, kKindEmbedded = 20, kKindEmbeddedBoard = 21,
                         kKindSplitPlane = 22, kKindBoardOutline = 26;

} // namespace dxfi::abi

extern "C" {

// ---- Board, objects, containers ---------------------------------------------------------
DXFI_EXPORT uint32_t DXFI_STDCALL PcbApi_GetCurrentBoardHandle(void);
// A new object of the kind with the host's defaults, in no container; 0 for an unknown kind.
DXFI_EXPORT uint32_t DXFI_STDCALL PcbApi_CreateObject(uint8_t kind);
// A copy in no container; a component's copy has copies of its children.
DXFI_EXPORT uint32_t DXFI_STDCALL PcbApi_ReplicateObject(uint32_t object);
// Removes the object from its container and destroys it (a component with its children).
DXFI_EXPORT int32_t DXFI_STDCALL PcbApi_DestroyObject(uint32_t object);
// Makes the object a child of the container (the board or a component), taking it out of any
// container it was in.
DXFI_EXPORT int32_t DXFI_STDCALL PcbApi_AddObjectToContainer(uint32_t container, uint32_t object);
// The object is no longer the component's child (it stays where else it is, or in none).
DXFI_EXPORT int32_t DXFI_STDCALL PcbApi_DeleteObjectFromComponent(uint32_t component,
                                                                  uint32_t object);
// Iterator over the container's direct children of that kind on that layer. `reserved` is 0.
// The caller destroys it with PcbApi_DestroyIterator.
DXFI_EXPORT uint32_t DXFI_STDCALL PcbApi_CreateIterator(uint32_t container, uint8_t kind,
                                                        int32_t reserved, uint32_t layer);
DXFI_EXPORT uint32_t DXFI_STDCALL PcbApi_GetFirstObject(uint32_t iterator);
DXFI_EXPORT uint32_t DXFI_STDCALL PcbApi_GetNextObject(uint32_t iterator);
DXFI_EXPORT int32_t DXFI_STDCALL PcbApi_DestroyIterator(uint32_t iterator);
// The object's kind, 0 for no object.
DXFI_EXPORT uint8_t DXFI_STDCALL PcbApi_GetObjectIdFromObjectHandle(uint32_t object);

// ---- Progress display ---------------------------------------------------------------------
// `caption` is length-prefixed (one length byte, then the text).
DXFI_EXPORT void DXFI_STDCALL PcbApi_Percent_Init(const uint8_t* caption, int32_t total);
DXFI_EXPORT void DXFI_STDCALL PcbApi_Percent_Update(void);
DXFI_EXPORT void DXFI_STDCALL PcbApi_Percent_Finish(void);

// ---- Property exchange: every primitive ---------------------------------------------------
DXFI_EXPORT int32_t DXFI_STDCALL PcbApi_GetObjectBitField2(uint8_t mode, uint32_t object,
                                                           uint8_t* bitField2);
DXFI_EXPORT int32_t DXFI_STDCALL PcbApi_GetObjectBitField3(uint8_t mode, uint32_t object,
                                                           uint16_t* bitField3);
// The base properties alone, for kinds without properties of their own (nets, rules,
// classes, dimensions, coordinates, polygons, split planes, outlines, from-tos, violations,
// embedded objects, differential pairs).
DXFI_EXPORT int32_t DXFI_STDCALL PcbApi_QueryPrimitive(uint8_t mode, uint32_t object,
                                                       uint16_t* flags, uint16_t* primWord,
                                                       uint32_t* layer, int32_t* primLongA,
                                                       uint8_t* primByte, int32_t* primLongB,
                                                       int32_t* x, int32_t* y);

DXFI_EXPORT int32_t DXFI_STDCALL PcbApi_QueryTrack(
    uint8_t mode, uint32_t object, uint16_t* flags, uint16_t* primWord, uint32_t* layer,
    int32_t* primLongA, uint8_t* primByte, int32_t* primLongB, int32_t* x, int32_t* y, int32_t* x2,
    int32_t* y2, int32_t* width, int32_t* value1, int32_t* value2, int32_t* value3);

DXFI_EXPORT int32_t DXFI_STDCALL PcbApi_QueryArc(uint8_t mode, uint32_t object, uint16_t* flags,
                                                 uint16_t* primWord, uint32_t* layer,
                                                 int32_t* primLongA, uint8_t* primByte,
                                                 int32_t* primLongB, int32_t* x, int32_t* y,
                                                 int32_t* radius, double* startAngle,
                                                 double* endAngle, int32_t* width, int32_t* value1);

// `text` is a kText256 buffer.
DXFI_EXPORT int32_t DXFI_STDCALL PcbApi_QueryText(uint8_t mode, uint32_t object, uint16_t* flags,
                                                  uint16_t* primWord, uint32_t* layer,
                                                  int32_t* primLongA, uint8_t* primByte,
                                                  int32_t* primLongB, int32_t* x, int32_t* y,
                                                  int32_t* height, int32_t* value1,
                                                  double* rotation, uint8_t* mirror, char* text,
                                                  int32_t* width, int32_t* value2, int32_t* value3);
// `fontName` is a kText256 buffer.
DXFI_EXPORT int32_t DXFI_STDCALL PcbApi_QueryTrueTypeTextInfo(uint8_t mode, uint32_t object,
                                                              uint8_t* useTrueType, char* fontName,
                                                              uint8_t* bold, uint8_t* italic,
                                                              uint8_t* inverted,
                                                              int32_t* invertedBorder);
// Fills a 256-byte buffer with the length-prefixed text the object displays (a text's string
// with special strings resolved). Returns the length.
DXFI_EXPORT int32_t DXFI_STDCALL PcbApi_GetDesignatorDisplayString(uint8_t* buffer,
                                                                   uint32_t object);
DXFI_EXPORT int32_t DXFI_STDCALL PcbApi_QueryBarCodeTextInfo(uint8_t mode, uint32_t object,
                                                             uint8_t* barCodeKind, uint8_t* value1,
                                                             uint8_t* value2, uint8_t* value3);

// Pads. The short strings are kText21 buffers.
DXFI_EXPORT int32_t DXFI_STDCALL PcbApi_QueryPad(
    uint8_t mode, uint32_t object, uint16_t* flags, uint16_t* primWord, uint32_t* layer,
    int32_t* primLongA, uint8_t* primByte, int32_t* primLongB, int32_t* x, int32_t* y,
    int32_t* padSize1, int32_t* padSize2, int32_t* padSize3, int32_t* padSize4, int32_t* padSize5,
    int32_t* padSize6, int32_t* holeSize, uint8_t* byte1, uint8_t* byte2, uint8_t* byte3,
    char* string1, uint8_t* byte4, uint8_t* byte5, double* rotation, char* string2, char* string3,
    int32_t* long1, char* string4, uint8_t* byte6, uint8_t* byte7, int32_t* long2, int32_t* long3,
    int32_t* long4, int32_t* long5, int32_t* long6, uint8_t* byte8, uint8_t* byte9);
DXFI_EXPORT int32_t DXFI_STDCALL PcbApi_QueryPadStackMode(uint8_t mode, uint32_t object,
                                                          uint8_t* padStackMode);
// Per-layer pad values; `layer` is a classic layer 0..82. `size` points to two values (X, Y).
DXFI_EXPORT int32_t DXFI_STDCALL PcbApi_QueryPadOrViaShapeOnLayer(uint32_t object, uint8_t layer,
                                                                  uint8_t* shape);
DXFI_EXPORT int32_t DXFI_STDCALL PcbApi_QueryPadOrViaSizeOnLayer(uint32_t object, uint8_t layer,
                                                                 int32_t* size);
DXFI_EXPORT int32_t DXFI_STDCALL PcbApi_QueryPadCornerRadiusOnLayer(uint32_t object, uint8_t layer,
                                                                    int32_t* radius);
DXFI_EXPORT int32_t DXFI_STDCALL PcbApi_QueryPadCRPercentageOnLayer(uint32_t object, uint8_t layer,
                                                                    uint8_t* percentage);
DXFI_EXPORT int32_t DXFI_STDCALL PcbApi_SetPadShapeOnLayer(uint32_t object, uint8_t layer,
                                                           uint8_t shape);
DXFI_EXPORT int32_t DXFI_STDCALL PcbApi_SetPadSizeOnLayer(uint32_t object, uint8_t layer,
                                                          const int32_t* size);
DXFI_EXPORT int32_t DXFI_STDCALL PcbApi_SetCRPctOnLayer(uint32_t object, uint8_t layer,
                                                        uint8_t percentage);

DXFI_EXPORT int32_t DXFI_STDCALL PcbApi_QueryVia(uint8_t mode, uint32_t object, uint16_t* flags,
                                                 uint16_t* primWord, uint32_t* layer,
                                                 int32_t* primLongA, uint8_t* primByte,
                                                 int32_t* primLongB, int32_t* x, int32_t* y,
                                                 int32_t* size, int32_t* holeSize,
                                                 uint32_t* lowLayer, uint32_t* highLayer,
                                                 int32_t* value1, int32_t* value2);
DXFI_EXPORT int32_t DXFI_STDCALL PcbApi_QueryFill(uint8_t mode, uint32_t object, uint16_t* flags,
                                                  uint16_t* primWord, uint32_t* layer,
                                                  int32_t* primLongA, uint8_t* primByte,
                                                  int32_t* primLongB, int32_t* x, int32_t* y,
                                                  int32_t* x2, int32_t* y2, double* rotation,
                                                  int32_t* value1);
// A region's outline is reached through the server interfaces (abi/PcbServer.h).
DXFI_EXPORT int32_t DXFI_STDCALL PcbApi_QueryRegion(uint8_t mode, uint32_t object, uint16_t* flags,
                                                    uint16_t* primWord, uint32_t* layer,
                                                    int32_t* primLongA, uint8_t* primByte,
                                                    int32_t* primLongB, int32_t* x, int32_t* y,
                                                    int32_t* regionKind, int32_t* value1);
DXFI_EXPORT int32_t DXFI_STDCALL PcbApi_QueryComponentBody(uint8_t mode, uint32_t object,
                                                           uint16_t* flags, uint16_t* primWord,
                                                           uint32_t* layer, int32_t* primLongA,
                                                           uint8_t* primByte, int32_t* primLongB,
                                                           int32_t* x, int32_t* y, int32_t* height,
                                                           int32_t* value1);
// `documentPath` is a kText256 buffer.
DXFI_EXPORT int32_t DXFI_STDCALL PcbApi_QueryEmbeddedBoard(
    uint8_t mode, uint32_t object, uint16_t* flags, uint16_t* primWord, uint32_t* layer,
    int32_t* primLongA, uint8_t* primByte, int32_t* primLongB, int32_t* x, int32_t* y, int32_t* x2,
    int32_t* y2, int32_t* rowCount, int32_t* columnCount, int32_t* rowSpacing,
    int32_t* columnSpacing, double* rotation, char* documentPath);
// A net's name; `name` is a kText256 buffer (nets use the base properties besides).
DXFI_EXPORT int32_t DXFI_STDCALL PcbApi_QueryNetName(uint8_t mode, uint32_t object, char* name);

// ---- Components ---------------------------------------------------------------------------
DXFI_EXPORT int32_t DXFI_STDCALL PcbApi_QueryComponentChannelOffset(uint8_t mode, uint32_t object,
                                                                    int32_t* channelOffset);
DXFI_EXPORT int32_t DXFI_STDCALL PcbApi_QueryComponentKind(uint8_t mode, uint32_t object,
                                                           int32_t* componentKind);
// `classicLayer` is a classic layer byte; `name` is a kText256 buffer holding at most 250
// bytes. `nameText` and `secondText` are the handles of the component's two text children
// (read only: writing them changes nothing).
DXFI_EXPORT int32_t DXFI_STDCALL PcbApi_QueryComponent(
    uint8_t mode, uint32_t object, uint16_t* flags, uint16_t* primWord, uint8_t* classicLayer,
    uint8_t* primByte, uint32_t* nameText, uint32_t* secondText, char* name, uint8_t* flagA,
    uint8_t* flagB, int32_t* x, int32_t* y, int32_t* value1, double* rotation, uint8_t* byte1);
DXFI_EXPORT int32_t DXFI_STDCALL PcbApi_QueryComponentEx(uint8_t mode, uint32_t object,
                                                         int32_t* value1, uint8_t* byte1,
                                                         uint8_t* byte2, int32_t* value2);
// Eight kText256 buffers.
DXFI_EXPORT int32_t DXFI_STDCALL PcbApi_QueryComponentSourceLinks(uint8_t mode, uint32_t object,
                                                                  char* link1, char* link2,
                                                                  char* link3, char* link4,
                                                                  char* link5, char* link6,
                                                                  char* link7, char* link8);
DXFI_EXPORT int32_t DXFI_STDCALL PcbApi_QueryDefaultPCB3DModel(uint8_t mode, uint32_t object,
                                                               char* model);

// ---- The board ----------------------------------------------------------------------------
// `fileName` is a kText256 buffer; `displayUnit` 1 = mils, 0 = millimetres; `currentLayer`
// a TV7_Layer.
DXFI_EXPORT int32_t DXFI_STDCALL PcbApi_QueryBoard(uint8_t mode, uint32_t board, int32_t* value0,
                                                   char* fileName, uint8_t* byte1, int32_t* value1,
                                                   int32_t* value2, int32_t* value3,
                                                   int32_t* value4, uint8_t* displayUnit,
                                                   uint32_t* currentLayer, int32_t* value5);
// `layer` is a classic layer 1..82.
DXFI_EXPORT int32_t DXFI_STDCALL PcbApi_QueryBoardLayerInfo(uint8_t mode, uint32_t board,
                                                            uint8_t layer, uint8_t* scratch1,
                                                            uint8_t* scratch2, int32_t* info);
// Layer records of classic layers 1..82. `name` is a kText21 buffer, `netName` kText256.
DXFI_EXPORT int32_t DXFI_STDCALL PcbApi_QueryLayer(uint8_t mode, uint32_t board, uint8_t layer,
                                                   char* name, uint8_t* shown,
                                                   int32_t* copperThickness, int32_t* value1);
DXFI_EXPORT int32_t DXFI_STDCALL PcbApi_QueryInternalPlane(uint8_t mode, uint32_t board,
                                                           uint8_t layer, char* name,
                                                           uint8_t* shown, int32_t* copperThickness,
                                                           char* netName,
                                                           int32_t* pullBackDistance);
// `material` is a kText256 buffer.
DXFI_EXPORT int32_t DXFI_STDCALL PcbApi_QueryLayerDielectric(uint8_t mode, uint32_t board,
                                                             uint8_t layer, char* material,
                                                             uint8_t* dielectricKind,
                                                             double* constant, int32_t* height);
DXFI_EXPORT int32_t DXFI_STDCALL PcbApi_QueryBoardSplitPlaneMode(uint8_t mode, uint32_t board,
                                                                 uint8_t* splitPlaneMode);
// Opaque option records of kBoardOptionRecordSize bytes, kept verbatim by the host.
DXFI_EXPORT int32_t DXFI_STDCALL PcbApi_QueryBoardGridsEx(uint8_t mode, uint32_t board,
                                                          uint8_t* record);
DXFI_EXPORT int32_t DXFI_STDCALL PcbApi_QueryBoardOutputOptions(uint8_t mode, uint32_t board,
                                                                uint8_t* record);
DXFI_EXPORT int32_t DXFI_STDCALL PcbApi_QueryBoardOutputOptionsPlotLayers(uint8_t mode,
                                                                          uint32_t board,
                                                                          int32_t index,
                                                                          uint8_t* record);
DXFI_EXPORT int32_t DXFI_STDCALL PcbApi_QueryBoardOutputOptionsFlipLayers(uint8_t mode,
                                                                          uint32_t board,
                                                                          int32_t index,
                                                                          uint8_t* record);
DXFI_EXPORT int32_t DXFI_STDCALL PcbApi_QueryBoardGerberOptions(uint8_t mode, uint32_t board,
                                                                uint8_t* record);
DXFI_EXPORT int32_t DXFI_STDCALL PcbApi_QueryBoardPrinterOptions(uint8_t mode, uint32_t board,
                                                                 uint8_t* record);
DXFI_EXPORT int32_t DXFI_STDCALL PcbApi_QueryBoardPrinterOptionsPlotterPen(uint8_t mode,
                                                                           uint32_t board,
                                                                           int32_t index,
                                                                           uint8_t* record);
DXFI_EXPORT int32_t DXFI_STDCALL PcbApi_QueryBoardPrinterOptionsCompositeLayer(uint8_t mode,
                                                                               uint32_t board,
                                                                               int32_t index,
                                                                               uint8_t* record);
DXFI_EXPORT int32_t DXFI_STDCALL PcbApi_QueryBoardAdvancedPlacerOptions(uint8_t mode,
                                                                        uint32_t board,
                                                                        uint8_t* record);
DXFI_EXPORT int32_t DXFI_STDCALL PcbApi_QueryBoardEngineeringChangeOrderOptions(uint8_t mode,
                                                                                uint32_t board,
                                                                                uint8_t* record);
// Note the order: the mode comes last. Reading (mode ptRead) answers the number of pairs and 0;
// a non-zero result means there are no pairs. Writing sets the number of pairs, which are then
// sent one by one with PcbApi_QueryBoardLayerPairAt. Pairs are indexed 0..count-1.
DXFI_EXPORT int32_t DXFI_STDCALL PcbApi_QueryBoardLayerPairsCount(uint32_t board, int32_t* count,
                                                                  uint8_t mode);
DXFI_EXPORT int32_t DXFI_STDCALL PcbApi_QueryBoardLayerPairAt(uint8_t mode, uint32_t board,
                                                              int32_t index, uint32_t* lowLayer,
                                                              uint32_t* highLayer,
                                                              uint8_t* drillGuide,
                                                              uint8_t* drillDrawing);
// Two kText256 material buffers.
DXFI_EXPORT int32_t DXFI_STDCALL PcbApi_QueryBoardExternalDielectrics(
    uint8_t mode, uint32_t board, char* topMaterial, uint8_t* topKind, double* topConstant,
    int32_t* topHeight, char* bottomMaterial, uint8_t* bottomKind, double* bottomConstant,
    int32_t* bottomHeight);

} // extern "C"

// Function-pointer types for binding by name.
namespace dxfi::abi {
#define DXFI_PCBAPI_FUNCTIONS(X)                                                                   \
    X(PcbApi_GetCurrentBoardHandle)                                                                \
    X(PcbApi_CreateObject)                                                                         \
    X(PcbApi_ReplicateObject)                                                                      \
    X(PcbApi_DestroyObject)                                                                        \
    X(PcbApi_AddObjectToContainer)                                                                 \
    X(PcbApi_DeleteObjectFromComponent)                                                            \
    X(PcbApi_CreateIterator)                                                                       \
    X(PcbApi_GetFirstObject)                                                                       \
    X(PcbApi_GetNextObject)                                                                        \
    X(PcbApi_DestroyIterator)                                                                      \
    X(PcbApi_GetObjectIdFromObjectHandle)                                                          \
    X(PcbApi_Percent_Init)                                                                         \
    X(PcbApi_Percent_Update)                                                                       \
    X(PcbApi_Percent_Finish)                                                                       \
    X(PcbApi_GetObjectBitField2)                                                                   \
    X(PcbApi_GetObjectBitField3)                                                                   \
    X(PcbApi_QueryPrimitive)                                                                       \
    X(PcbApi_QueryTrack)                                                                           \
    X(PcbApi_QueryArc)                                                                             \
    X(PcbApi_QueryText)                                                                            \
    X(PcbApi_QueryTrueTypeTextInfo)                                                                \
    X(PcbApi_GetDesignatorDisplayString)                                                           \
    X(PcbApi_QueryBarCodeTextInfo)                                                                 \
    X(PcbApi_QueryPad)                                                                             \
    X(PcbApi_QueryPadStackMode)                                                                    \
    X(PcbApi_QueryPadOrViaShapeOnLayer)                                                            \
    X(PcbApi_QueryPadOrViaSizeOnLayer)                                                             \
    X(PcbApi_QueryPadCornerRadiusOnLayer)                                                          \
    X(PcbApi_QueryPadCRPercentageOnLayer)                                                          \
    X(PcbApi_SetPadShapeOnLayer)                                                                   \
    X(PcbApi_SetPadSizeOnLayer)                                                                    \
    X(PcbApi_SetCRPctOnLayer)                                                                      \
    X(PcbApi_QueryVia)                                                                             \
    X(PcbApi_QueryFill)                                                                            \
    X(PcbApi_QueryRegion)                                                                          \
    X(PcbApi_QueryComponentBody)                                                                   \
    X(PcbApi_QueryEmbeddedBoard)                                                                   \
    X(PcbApi_QueryNetName)                                                                         \
    X(PcbApi_QueryComponentChannelOffset)                                                          \
    X(PcbApi_QueryComponentKind)                                                                   \
    X(PcbApi_QueryComponent)                                                                       \
    X(PcbApi_QueryComponentEx)                                                                     \
    X(PcbApi_QueryComponentSourceLinks)                                                            \
    X(PcbApi_QueryDefaultPCB3DModel)                                                               \
    X(PcbApi_QueryBoard)                                                                           \
    X(PcbApi_QueryBoardLayerInfo)                                                                  \
    X(PcbApi_QueryLayer)                                                                           \
    X(PcbApi_QueryInternalPlane)                                                                   \
    X(PcbApi_QueryLayerDielectric)                                                                 \
    X(PcbApi_QueryBoardSplitPlaneMode)                                                             \
    X(PcbApi_QueryBoardGridsEx)                                                                    \
    X(PcbApi_QueryBoardOutputOptions)                                                              \
    X(PcbApi_QueryBoardOutputOptionsPlotLayers)                                                    \
    X(PcbApi_QueryBoardOutputOptionsFlipLayers)                                                    \
    X(PcbApi_QueryBoardGerberOptions)                                                              \
    X(PcbApi_QueryBoardPrinterOptions)                                                             \
    X(PcbApi_QueryBoardPrinterOptionsPlotterPen)                                                   \
    X(PcbApi_QueryBoardPrinterOptionsCompositeLayer)                                               \
    X(PcbApi_QueryBoardAdvancedPlacerOptions)                                                      \
    X(PcbApi_QueryBoardEngineeringChangeOrderOptions)                                              \
    X(PcbApi_QueryBoardLayerPairsCount)                                                            \
    X(PcbApi_QueryBoardLayerPairAt)                                                                \
    X(PcbApi_QueryBoardExternalDielectrics)

#define DXFI_PCBAPI_PFN(name) using PFN_##name = decltype(&::name);
DXFI_PCBAPI_FUNCTIONS(DXFI_PCBAPI_PFN)
#undef DXFI_PCBAPI_PFN
} // namespace dxfi::abi
