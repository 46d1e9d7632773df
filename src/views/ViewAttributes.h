#pragma once
// The OpenGL display attributes of the views' canvases.

#include <wx/glcanvas.h>

// The toolkit's defaults, RGBA, double buffering, a 24-bit depth buffer, an 8-bit stencil buffer
// and one multisample buffer of 4 samples; without multisampling when the display refuses it.
wxGLAttributes ViewDisplayAttributes();

// `wanted` when the display supports it; else RGBA, double buffering, 24-bit depth and 8-bit
// stencil without multisampling; else the toolkit's defaults with double buffering.
wxGLAttributes SupportedAttributes(const wxGLAttributes& wanted);
