#pragma once
// Message texts of the docking framework.

namespace docking {

inline constexpr const char* STBToolbarIndexOutOfBounds = "Toolbar item index out of range";
inline constexpr const char* STBToolbarItemReinserted = "Toolbar item already inserted";
inline constexpr const char* STBToolbarItemParentInvalid =
    "Toolbar item cannot be inserted into container of type %s";
inline constexpr const char* STBViewerNotFound =
    "An item viewer associated the specified item could not be found";
inline constexpr const char* STBChevronItemMoreButtonsHint = "More Buttons|";
inline constexpr const char* STBMRUListItemDefCaption = "(MRU List)";
inline constexpr const char* STBMDIWindowItemDefCaption = "(Window List)";
inline constexpr const char* STBDockParentNotAllowed =
    "A TDKDock control cannot be placed inside a tool window or another TDKDock";
inline constexpr const char* STBDockCannotChangePosition =
    "Cannot change Position of a TDKDock if it already contains controls";
inline constexpr const char* STBToolwinNameNotSet =
    "Cannot save dockable window's position because Name property is not set";
inline constexpr const char* STBToolwinDockedToNameNotSet =
    "Cannot save dockable window's position because DockedTo's Name property not set";

}  // namespace docking
