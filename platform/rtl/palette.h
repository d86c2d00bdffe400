#pragma once
// The component palette: the pages on which a form designer offers component classes. A class
// must be registered by name (classregistry) before it goes on a page.
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/rtl/classregistry.h"

namespace rtl {

// Puts the classes on the page (made when new). A class sits on one page: registering it again
// keeps its first page. Raises EInvalidOperation for a class that is not registered.
void RegisterComponents(const std::string& Page, std::initializer_list<TClass> Classes);
// The page the class is on; empty when it is on none.
std::string ComponentPalettePage(TClass Class);
// The classes of a page in the order they were put there (the page found without regard to case).
std::vector<TClass> ComponentPaletteClasses(const std::string& Page);

}  // namespace rtl
