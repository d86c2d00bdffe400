#pragma once
// What a saved layout hands a dockable window so that it can read and write values of its own
// beside its place: four callbacks, each taking the window's name and the key first and an
// opaque pointer of the store last, so that one walk serves the INI file and the registry.
#include <string>
#include <string_view>

namespace docking {

using TDKPositionReadIntProc = int (*)(const std::string& ToolbarName, std::string_view Value,
                                       int Default, void* ExtraData);
using TDKPositionReadStringProc = std::string (*)(const std::string& ToolbarName,
                                                  std::string_view Value, std::string_view Default,
                                                  void* ExtraData);
using TDKPositionWriteIntProc = void (*)(const std::string& ToolbarName, std::string_view Value,
                                         int Data, void* ExtraData);
using TDKPositionWriteStringProc = void (*)(const std::string& ToolbarName, std::string_view Value,
                                            std::string_view Data, void* ExtraData);

struct TDKReadPositionData {
  TDKPositionReadIntProc ReadIntProc = nullptr;
  TDKPositionReadStringProc ReadStringProc = nullptr;
  void* ExtraData = nullptr;
};

struct TDKWritePositionData {
  TDKPositionWriteIntProc WriteIntProc = nullptr;
  TDKPositionWriteStringProc WriteStringProc = nullptr;
  void* ExtraData = nullptr;
};

}  // namespace docking
