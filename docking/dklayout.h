#pragma once
// Saving and restoring where every dockable window of a form sits: one section per window, named
// after the window, written and read through four callbacks so that one walk serves the INI file
// and the registry store. Values read back are checked before they are applied: a damaged or
// hand-edited file leaves each window docked in a named dock, floating with its caption
// reachable, or hidden as saved.
#include <string>
#include <string_view>

#include "docking/dkpositiondata.h"
#include "platform/rtl/classes.h"
#include "platform/rtl/inifiles.h"
#include "platform/rtl/reginifile.h"

namespace docking {

// The revision written into every section; a section of another revision is ignored whole.
inline constexpr int DKLayoutRev = 2000;

void DKCustomLoadPositions(rtl::TComponent* OwnerComponent, TDKPositionReadIntProc ReadIntProc,
                           TDKPositionReadStringProc ReadStringProc, void* ExtraData);
// Raises rtl::Exception for a window docked in a dock without a Name; sections written before
// stay.
void DKCustomSavePositions(rtl::TComponent* OwnerComponent, TDKPositionWriteIntProc WriteIntProc,
                           TDKPositionWriteStringProc WriteStringProc, void* ExtraData);

void DKIniLoadPositions(rtl::TComponent* OwnerComponent, rtl::TCustomIniFile* IniFile,
                        std::string_view SectionNamePrefix);
void DKIniSavePositions(rtl::TComponent* OwnerComponent, rtl::TCustomIniFile* IniFile,
                        std::string_view SectionNamePrefix);
// The file-name forms. The save gathers every key and replaces the file once, merged into the
// file as it then is, so keys others wrote stay; it commits what was written also when the walk
// raises, then raises again.
void DKIniLoadPositions(rtl::TComponent* OwnerComponent, const std::string& FileName,
                        std::string_view SectionNamePrefix);
void DKIniSavePositions(rtl::TComponent* OwnerComponent, const std::string& FileName,
                        std::string_view SectionNamePrefix);

// The registry forms, through the store's INI-shaped adapter: one subkey per window below
// BaseRegistryKey. The load does nothing when the base key cannot be opened; the save raises
// rtl::ERegistryException when it cannot be created.
void DKRegLoadPositions(rtl::TComponent* OwnerComponent, rtl::HKEY RootKey,
                        const std::string& BaseRegistryKey);
void DKRegSavePositions(rtl::TComponent* OwnerComponent, rtl::HKEY RootKey,
                        const std::string& BaseRegistryKey);

}  // namespace docking
