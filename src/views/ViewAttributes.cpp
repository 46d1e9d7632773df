#include "views/ViewAttributes.h"

namespace {

wxGLAttributes WithoutMultisampling()
{
    wxGLAttributes attributes;
    attributes.PlatformDefaults().RGBA().DoubleBuffer().Depth(24).Stencil(8).EndList();
    return attributes;
}

}  // namespace

wxGLAttributes ViewDisplayAttributes()
{
    wxGLAttributes attributes;
    attributes.PlatformDefaults().RGBA().DoubleBuffer().Depth(24).Stencil(8).SampleBuffers(1).Samplers(4).EndList();
    return SupportedAttributes(attributes);
}

wxGLAttributes SupportedAttributes(const wxGLAttributes& wanted)
{
    if (wxGLCanvas::IsDisplaySupported(wanted)) return wanted;
    wxGLAttributes plain = WithoutMultisampling();
    if (wxGLCanvas::IsDisplaySupported(plain)) return plain;
    wxGLAttributes minimal;
    minimal.PlatformDefaults().DoubleBuffer().EndList();
    return minimal;
}
