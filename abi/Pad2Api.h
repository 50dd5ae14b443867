// SPDX-License-Identifier: MIT
// The drawing engine's flat functions and the fixed-layout records it fills.
//
// Ownership and lifetime:
// - The caller owns every record buffer it passes; the engine writes at most the record's size
//   (kEntityHeaderSize, kEntityDataSize, kLayerRecordSize, kBlockHeaderRecordSize) into it.
// - The drawing header lives in the engine's memory from edaLoadFile to edaCloseFile of that
//   drawing; edaHeaderPointer lends it. The caller may write the 16-bit word at
//   kHeaderRecomputeWord; no other byte.
// - Handles are opaque values, copied as they are. A TDrawingHandle is valid from edaLoadFile
//   until edaCloseFile; list, blob and object handles only while their drawing is open.
// - No function throws or crashes on bad input: failures are results (0) with edaError set.
//
// Records are byte-packed and little-endian; every field sits at exactly the offset below,
// odd ones included. Texts are 8-bit (UTF-8 here), NUL-terminated inside the record. Points are
// X at the offset and Y 8 bytes later; a Z follows where the record has room.
#pragma once

#include "abi/CallConv.h"

#include <cstdint>

namespace dxfi::abi {

using TDrawingHandle = uint32_t;    // 0 = failure
using TObjectHandle = uint64_t;     // 8 opaque bytes
using TEntityListHandle = uint32_t; // 0 = none
using TBlobReader = uint32_t;       // 0 = none
using TLoadometerFn = void(DXFI_CDECL*)(int16_t percent);

// ---- Record sizes -------------------------------------------------------------------------
inline constexpr int kEntityHeaderSize = 615;
inline constexpr int kEntityDataSize = 2648;
inline constexpr int kLayerRecordSize = 596;
inline constexpr int kBlockHeaderRecordSize = 1084;
inline constexpr int kDrawingHeaderSize = 4096; // engine memory; fields below lie inside it

// ---- Engine entity type codes -------------------------------------------------------------
inline constexpr uint16_t kCodeLine = 1;
inline constexpr uint16_t kCodePoint = 2;
inline constexpr uint16_t kCodeCircle = 3;
inline constexpr uint16_t kCodeEllipse = 5;
inline constexpr uint16_t kCodeSpline = 6;
inline constexpr uint16_t kCodeText = 7;
inline constexpr uint16_t kCodeArc = 8;
inline constexpr uint16_t kCodeTrace = 9;
inline constexpr uint16_t kCodeSolid = 11;
inline constexpr uint16_t kCodeBlockStart = 12;
inline constexpr uint16_t kCodeInsert = 14;
inline constexpr uint16_t kCodeSeqEnd = 17;
inline constexpr uint16_t kCodePolyline = 19;
inline constexpr uint16_t kCodeVertex = 20;
inline constexpr uint16_t kCodeDimension = 23;
inline constexpr uint16_t kCodeMText = 28;
inline constexpr uint16_t kCodeMLine = 31;
// Lightweight polylines carry the code that edaLwplineEnttype answers; every other entity type
// (HATCH, LEADER, 3DFACE, ...) carries a code of the engine's choosing that is none of the above
// and has its data record laid out as OtherData, so that a walker can name what it drops. An
// entity of a converted type that the engine cannot deliver as such (a number that is not
// finite, a polyface mesh) comes the same way, with its type's name and the problem.

// ---- TEntityHeader (kEntityHeaderSize bytes) ----------------------------------------------
namespace EntityHeader {
inline constexpr int TypeCode = 0;     // u16
inline constexpr int LayerHandle = 10; // TObjectHandle
inline constexpr int ExtrusionX = 44;  // f64
inline constexpr int ExtrusionY = 52;  // f64
inline constexpr int ExtrusionZ = 60;  // f64
} // namespace EntityHeader

// ---- TEntityData (kEntityDataSize bytes), by type code -----------------------------------
namespace LineData {
inline constexpr int Start = 0; // f64 X, Y (+Z)
inline constexpr int End = 24;
} // namespace LineData
namespace PointData {
inline constexpr int Location = 0;
}
namespace CircleData {
inline constexpr int Centre = 0;
inline constexpr int Radius = 24;
} // namespace CircleData
namespace EllipseData {
inline constexpr int Centre = 0;
inline constexpr int MajorAxisEnd = 24; // relative to the centre
inline constexpr int Ratio = 48;
inline constexpr int StartParam = 56;
inline constexpr int EndParam = 64;
} // namespace EllipseData
namespace TextData {
inline constexpr int AlignPoint = 0;
inline constexpr int Height = 24;
inline constexpr int Rotation = 32; // radians
inline constexpr int GenFlags = 56; // u8; 0x02 = mirrored
inline constexpr int Text = 83;     // NUL-terminated, to the end of the record
} // namespace TextData
namespace ArcData {
inline constexpr int Centre = 0;
inline constexpr int Radius = 24;
inline constexpr int StartAngle = 32; // radians
inline constexpr int EndAngle = 40;
} // namespace ArcData
namespace SolidData { // TRACE and SOLID
inline constexpr int Corner1 = 0;
inline constexpr int Corner2 = 24;
inline constexpr int Corner3 = 48;
inline constexpr int Corner4 = 72;
} // namespace SolidData
namespace BlockStartData {
inline constexpr int BasePoint = 0;
}
namespace InsertData {
inline constexpr int InsertionPoint = 2;
inline constexpr int ScaleX = 26;
inline constexpr int ScaleY = 34;
inline constexpr int Rotation = 50;    // radians
inline constexpr int BlockHeader = 78; // TObjectHandle; 0 when the block is not defined
// Copies of a MINSERT: columns along the insert's rotated X axis, rows along its Y axis, spaced
// in drawing units (the insert's scale does not apply). A plain INSERT has 1 and 1.
inline constexpr int ColumnCount = 86;   // u16, at least 1
inline constexpr int RowCount = 88;      // u16, at least 1
inline constexpr int ColumnSpacing = 90; // f64
inline constexpr int RowSpacing = 98;    // f64
inline constexpr int BlockName = 106;    // the referenced block's name, NUL-terminated, 255 max
} // namespace InsertData
namespace PolylineData {
inline constexpr int DefaultWidth = 8;
inline constexpr int Flags = 34; // u8; 0x01 = closed
} // namespace PolylineData
namespace VertexData {
inline constexpr int Location = 0;
inline constexpr int Width = 34;
inline constexpr int Bulge = 46;
} // namespace VertexData
namespace DimensionData {
inline constexpr int InsertionPoint = 2;
inline constexpr int Rotation = 131; // radians
inline constexpr int DefinitionPoint = 179;
inline constexpr int BlockHeader = 231; // TObjectHandle
} // namespace DimensionData
namespace MTextData {
inline constexpr int InsertionPoint = 0;
inline constexpr int Height = 48;
inline constexpr int Attachment = 64; // u8; 5 = middle centre
inline constexpr int RefWidth = 74;
inline constexpr int Text = 104; // NUL-terminated, to the end of the record
} // namespace MTextData
namespace MLineData {
inline constexpr int StyleLineCount = 12; // i16
inline constexpr int VertexCount = 14;    // u16
inline constexpr int StartPoint = 16;
inline constexpr int BlobRef = 48; // u32
} // namespace MLineData
namespace LwPolylineData {
inline constexpr int VertexCount = 0; // i32
inline constexpr int Flags = 4;       // u16
inline constexpr int ConstWidth = 14;
inline constexpr int BlobRef = 22; // u32
inline constexpr uint16_t FlagBulges = 0x0010;
inline constexpr uint16_t FlagWidths = 0x0020;
inline constexpr uint16_t FlagClosed = 0x0200;
} // namespace LwPolylineData
namespace SplineData {
inline constexpr int Degree = 0;        // i16
inline constexpr int Flags = 2;         // u16: the drawing's spline flags (below)
inline constexpr int KnotCount = 4;     // i32
inline constexpr int ControlCount = 8;  // i32
inline constexpr int WeightCount = 12;  // i32; 0 = every weight 1
inline constexpr int FitCount = 16;     // i32
inline constexpr int Tangents = 20;     // u8: TangentStart, TangentEnd
inline constexpr int StartTangent = 24; // f64 X, Y, Z
inline constexpr int EndTangent = 48;   // f64 X, Y, Z
inline constexpr int BlobRef = 72;      // u32
inline constexpr uint16_t FlagClosed = 0x0001;
inline constexpr uint16_t FlagPeriodic = 0x0002;
inline constexpr uint16_t FlagRational = 0x0004;
inline constexpr uint16_t FlagPlanar = 0x0008;
inline constexpr uint16_t FlagLinear = 0x0010;
inline constexpr uint16_t FlagNotRead = 0x8000; // the engine could not read the curve's data
inline constexpr uint8_t TangentStart = 0x01;
inline constexpr uint8_t TangentEnd = 0x02;
} // namespace SplineData

namespace OtherData {              // entities of none of the codes above (see the type codes)
inline constexpr int Problem = 0;  // u8, one of the values below
inline constexpr int KindName = 1; // the DXF type name ("HATCH"), NUL-terminated, 255 max
inline constexpr uint8_t kNotConverted = 0; // a type the system has no conversion for
inline constexpr uint8_t kBadNumber = 1;    // a number that is not finite or out of range
inline constexpr uint8_t kMesh = 2;         // a POLYLINE that is a polygon or polyface mesh
inline constexpr uint8_t kInvisible = 3;    // an ATTRIB whose flags make it invisible
} // namespace OtherData

// Packed vertex data (read with the edaReadBlob functions):
// - lightweight polyline, per vertex: X, Y; bulge if FlagBulges; start and end width if
//   FlagWidths.
// - multiline, per vertex: X, Y, Z; two further triples; then for each line of the style a
//   16-bit count n and n doubles, then a 16-bit count m and m doubles.
// - spline: KnotCount knot values; ControlCount control points as X, Y, Z; WeightCount
//   weights, one per control point; FitCount fit points as X, Y, Z. Points are in world
//   coordinates: the entity's extrusion is its plane's normal and mirrors nothing.

// ---- TLayerRecord (kLayerRecordSize bytes) -----------------------------------------------
namespace LayerRecord {
inline constexpr int Offered = 8; // u8; 0 = offered to the processor
inline constexpr int Colour = 11; // i16; negative = switched off
inline constexpr int Flags = 13;  // u8; 0x01 = frozen
inline constexpr int Name = 14;   // at most 255 characters + NUL
} // namespace LayerRecord

// ---- TBlockHeaderRecord (kBlockHeaderRecordSize bytes) -----------------------------------
namespace BlockHeaderRecord {
inline constexpr int Name = 21;        // at most 255 characters + NUL
inline constexpr int EntityList = 549; // TEntityListHandle
} // namespace BlockHeaderRecord

// ---- TDrawingHeader (engine memory) ------------------------------------------------------
// The extents are the engine's: those the file states when every point of that space's own
// entities that the processor tests against them lies inside, otherwise the exact extents of
// the space's contents (arcs and circles by their true extent).
namespace DrawingHeader {
inline constexpr int ModelExtMin = 2657; // 3 x f64
inline constexpr int ModelExtMax = 2681;
inline constexpr int RecomputeWord = 3145; // i16, written by the system, never read by it
inline constexpr int PaperExtMin = 3686;
inline constexpr int PaperExtMax = 3710;
// u32: how many entities the drawing stores, in every block and both spaces (0 = not known);
// what the walk's bound on block expansion is measured against.
inline constexpr int EntityCount = 3800;
// i16: the drawing's units as $INSUNITS declares them (1 inch, 2 feet, 4 mm, 5 cm, 6 m,
// 8 microinch, 9 mil, 10 yard, 13 micrometre, 14 decimetre, ...); 0 = not declared.
inline constexpr int InsUnits = 3734;
} // namespace DrawingHeader

} // namespace dxfi::abi

// ---- Flat functions -----------------------------------------------------------------------
// 16-bit results: non-zero = success unless stated. Every function is safe to call with any
// handle value: an unknown handle fails with a result of 0.
extern "C" {
// Makes old-style 2D polylines convertible on load (the engine may ignore it). Returns the
// previous setting.
DXFI_EXPORT int16_t DXFI_STDCALL edaConvertPlinesOnLoad(int16_t on);
// Enable the DXF and the DWG readers.
DXFI_EXPORT void DXFI_STDCALL edaSetupDxfRead(void);
DXFI_EXPORT void DXFI_STDCALL edaSetupDwgRead(void);
// Initialise from the data file; returns non-zero on success, else 0 with *code set for
// edaErrorStr. `reserved` is 0.
DXFI_EXPORT int16_t DXFI_STDCALL edaInitAd2(const char* initFile, int32_t reserved, int32_t* code);
DXFI_EXPORT void DXFI_STDCALL edaCloseAd2(void);
// Opens a drawing; 0 on failure (edaError tells why). `mode` is 1 and `flags` 0 for the import.
DXFI_EXPORT dxfi::abi::TDrawingHandle DXFI_STDCALL edaLoadFile(const char* path, int16_t mode,
                                                               int16_t flags);
DXFI_EXPORT int32_t DXFI_STDCALL edaError(void);
// Text of an error code, in static storage, never null.
DXFI_EXPORT const char* DXFI_STDCALL edaErrorStr(int32_t code);
DXFI_EXPORT int16_t DXFI_STDCALL edaCloseFile(dxfi::abi::TDrawingHandle drawing);
// The drawing header in engine memory (kDrawingHeaderSize bytes), or null.
DXFI_EXPORT uint8_t* DXFI_STDCALL edaHeaderPointer(dxfi::abi::TDrawingHandle drawing);
// Rewinds the layer table; 0 when the drawing has no layers.
DXFI_EXPORT int16_t DXFI_STDCALL edaStartLayerGet(dxfi::abi::TDrawingHandle drawing);
// Fills the next layer record; 0 at the end.
DXFI_EXPORT int16_t DXFI_STDCALL edaGetLayer(dxfi::abi::TDrawingHandle drawing,
                                             uint8_t* layerRecord);
DXFI_EXPORT int16_t DXFI_STDCALL edaSeekLayer(dxfi::abi::TDrawingHandle drawing,
                                              dxfi::abi::TObjectHandle layer, uint8_t* layerRecord);
DXFI_EXPORT int16_t DXFI_STDCALL edaSeekBlockheader(dxfi::abi::TDrawingHandle drawing,
                                                    dxfi::abi::TObjectHandle block,
                                                    uint8_t* blockHeaderRecord);
// Looks a block up by name, ASCII letters compared case-insensitively as DXF names are
// ("*MODEL_SPACE" and "*PAPER_SPACE" name the two spaces). Non-zero when found.
DXFI_EXPORT int16_t DXFI_STDCALL edaFindBlockheaderByName(dxfi::abi::TDrawingHandle drawing,
                                                          const char* name,
                                                          dxfi::abi::TObjectHandle* block);
DXFI_EXPORT dxfi::abi::TEntityListHandle DXFI_STDCALL
edaEntityList(dxfi::abi::TDrawingHandle drawing, dxfi::abi::TObjectHandle block);
// Rewinds a list. A block's list starts with its block-start entity (code 12).
DXFI_EXPORT int16_t DXFI_STDCALL edaStartEntityGet(dxfi::abi::TEntityListHandle list);
// Fills the next entity's header and data; 1 while an entity came, 0 at the end.
DXFI_EXPORT int16_t DXFI_STDCALL edaGetEntity(dxfi::abi::TEntityListHandle list, uint8_t* header,
                                              uint8_t* data);
DXFI_EXPORT int16_t DXFI_STDCALL edaLwplineEnttype(dxfi::abi::TDrawingHandle drawing);
DXFI_EXPORT dxfi::abi::TBlobReader DXFI_STDCALL edaStartBlobRead(uint32_t reference);
DXFI_EXPORT void DXFI_STDCALL edaEndBlobRead(dxfi::abi::TBlobReader reader);
// Read the next value(s); past the end of the data they give 0 and leave the destination 0.
DXFI_EXPORT int16_t DXFI_STDCALL edaReadBlobDouble(dxfi::abi::TBlobReader reader, double* value);
DXFI_EXPORT int16_t DXFI_STDCALL edaReadBlob2Double(dxfi::abi::TBlobReader reader, double* values2);
DXFI_EXPORT int16_t DXFI_STDCALL edaReadBlob3Double(dxfi::abi::TBlobReader reader, double* values3);
DXFI_EXPORT int16_t DXFI_STDCALL edaReadBlobShort(dxfi::abi::TBlobReader reader, int16_t* value);
// Centre and radius of the arc from (x1,y1) to (x2,y2) with the included angle (radians),
// counter-clockwise for a positive angle.
DXFI_EXPORT int16_t DXFI_STDCALL edaCalcPlineArcCenter(double x1, double y1, double x2, double y2,
                                                       double includedAngle, double* cx, double* cy,
                                                       double* radius);
// Registers the load-progress callback, called during edaLoadFile with 0 to 100, rising.
DXFI_EXPORT void DXFI_STDCALL edaSetAd2LoadometerFn(dxfi::abi::TLoadometerFn callback);
}

// Function-pointer types for run-time binding by name.
namespace dxfi::abi {
using PFN_edaConvertPlinesOnLoad = decltype(&edaConvertPlinesOnLoad);
using PFN_edaSetupDxfRead = decltype(&edaSetupDxfRead);
using PFN_edaSetupDwgRead = decltype(&edaSetupDwgRead);
using PFN_edaInitAd2 = decltype(&edaInitAd2);
using PFN_edaCloseAd2 = decltype(&edaCloseAd2);
using PFN_edaLoadFile = decltype(&edaLoadFile);
using PFN_edaError = decltype(&edaError);
using PFN_edaErrorStr = decltype(&edaErrorStr);
using PFN_edaCloseFile = decltype(&edaCloseFile);
using PFN_edaHeaderPointer = decltype(&edaHeaderPointer);
using PFN_edaStartLayerGet = decltype(&edaStartLayerGet);
using PFN_edaGetLayer = decltype(&edaGetLayer);
using PFN_edaSeekLayer = decltype(&edaSeekLayer);
using PFN_edaSeekBlockheader = decltype(&edaSeekBlockheader);
using PFN_edaFindBlockheaderByName = decltype(&edaFindBlockheaderByName);
using PFN_edaEntityList = decltype(&edaEntityList);
using PFN_edaStartEntityGet = decltype(&edaStartEntityGet);
using PFN_edaGetEntity = decltype(&edaGetEntity);
using PFN_edaLwplineEnttype = decltype(&edaLwplineEnttype);
using PFN_edaStartBlobRead = decltype(&edaStartBlobRead);
using PFN_edaEndBlobRead = decltype(&edaEndBlobRead);
using PFN_edaReadBlobDouble = decltype(&edaReadBlobDouble);
using PFN_edaReadBlob2Double = decltype(&edaReadBlob2Double);
using PFN_edaReadBlob3Double = decltype(&edaReadBlob3Double);
using PFN_edaReadBlobShort = decltype(&edaReadBlobShort);
using PFN_edaCalcPlineArcCenter = decltype(&edaCalcPlineArcCenter);
using PFN_edaSetAd2LoadometerFn = decltype(&edaSetAd2LoadometerFn);
} // namespace dxfi::abi
