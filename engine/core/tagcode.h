// SWF tag codes by their format names, and what a code says about the
// records of its body.
#pragma once
#include <cstdint>

enum TagCode : uint16_t {
    End = 0,
    ShowFrame = 1,
    DefineShape = 2,
    FreeCharacter = 3,
    PlaceObject = 4,
    RemoveObject = 5,
    DefineBits = 6,
    DefineButton = 7,
    JPEGTables = 8,
    SetBackgroundColor = 9,
    DefineFont = 10,
    DefineText = 11,
    DoAction = 12,
    DefineFontInfo = 13,
    DefineSound = 14,
    StartSound = 15,
    DefineButtonSound = 17,
    SoundStreamHead = 18,
    SoundStreamBlock = 19,
    DefineBitsLossless = 20,
    DefineBitsJPEG2 = 21,
    DefineShape2 = 22,
    DefineButtonCxform = 23,
    Protect = 24,
    PlaceObject2 = 26,
    RemoveObject2 = 28,
    DefineShape3 = 32,
    DefineText2 = 33,
    DefineButton2 = 34,
    DefineBitsJPEG3 = 35,
    DefineBitsLossless2 = 36,
    DefineEditText = 37,
    DefineSprite = 39,
    ProductInfo = 41,
    FrameLabel = 43,
    SoundStreamHead2 = 45,
    DefineMorphShape = 46,
    DefineFont2 = 48,
    ExportAssets = 56,
    ImportAssets = 57,
    EnableDebugger = 58,
    DoInitAction = 59,
    DefineVideoStream = 60,
    VideoFrame = 61,
    DefineFontInfo2 = 62,
    EnableDebugger2 = 64,
    ScriptLimits = 65,
    SetTabIndex = 66,
    FileAttributes = 69,
    PlaceObject3 = 70,
    ImportAssets2 = 71,
    DoABCDefine = 72,  // DoABC without flags and name
    DefineFontAlignZones = 73,
    CSMTextSettings = 74,
    DefineFont3 = 75,
    SymbolClass = 76,
    Metadata = 77,
    DefineScalingGrid = 78,
    DoABC = 82,
    DefineShape4 = 83,
    DefineMorphShape2 = 84,
    DefineSceneAndFrameLabelData = 86,
    DefineBinaryData = 87,
    DefineFontName = 88,
    StartSound2 = 89,
    DefineBitsJPEG4 = 90,
    DefineFont4 = 91,
    EnableTelemetry = 93,
};

// Solid colours and gradient stops are RGB, without alpha.
inline bool rgbonly(int tagcode) { return tagcode == DefineShape || tagcode == DefineShape2; }
// Fill and line colours carry alpha.
inline bool alphacolours(int tagcode) { return tagcode == DefineShape3 || tagcode == DefineShape4; }
// Line styles are LINESTYLE (width and colour), not LINESTYLE2.
inline bool plainlines(int tagcode) {
    return tagcode == DefineShape || tagcode == DefineShape2 || tagcode == DefineShape3;
}
inline bool isshapetag(int tagcode) { return plainlines(tagcode) || tagcode == DefineShape4; }
inline bool isplacetag(int tagcode) {
    return tagcode == PlaceObject || tagcode == PlaceObject2 || tagcode == PlaceObject3;
}
inline bool issoundhead(int tagcode) { return tagcode == SoundStreamHead || tagcode == SoundStreamHead2; }
// Tags that name characters for scripts: the movie's exported symbols.
inline bool issymboltag(int tagcode) { return tagcode == ExportAssets || tagcode == SymbolClass; }
