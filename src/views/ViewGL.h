#pragma once
// OpenGL pieces that the console viewer and the desktop's 3D view draw alike (GL and GLUT, no
// toolkit): the lighting and state they draw under, bitmap labels and the aiming line of a
// source or receiver.

// Clear colour white; back faces culled; depth test with less-than; light 0 (ambient 0.4,
// diffuse and specular 1, directional from (2, 5, 5)) on; normals normalised; the current colour
// drives the material; lighting on; front material ambient 0.7, diffuse 0.8, specular 1,
// shininess 100; blending on with the default function.
void ApplyViewGLState();

// The text in the Times Roman 24 bitmap font from the raster position (x, y, z), in the
// current colour. GLUT must have been started.
void DrawBitmapText(const char* text, float x, float y, float z);

// A blue line of width 3 and length 1 m from the origin along the azimuth and elevation
// (degrees) of an element; line width 1 afterwards.
void DrawAimingLine(double azimuthDeg, double elevationDeg);

// The coordinate axes from the origin, 1 m each, width 3: x red, y green, z blue; line width 1
// afterwards.
void DrawAxisLines();
