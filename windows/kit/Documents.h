#pragma once
#include "DesktopHooks.h"
#include "WordDocument.h"

#include <functional>
#include <memory>

// Makes the documents the windows write (the protocol, the topic printout).
// The program's factory makes a .docx document that opens through the desktop
// seam; tests put in their own.
using DocumentFactory = std::function<std::unique_ptr<WordDocument>()>;
DocumentFactory &documentFactory();

// The desktop seam as the document code takes it.
DesktopHooks desktopHooks();
