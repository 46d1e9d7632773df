// The DAFF test writer of the directivity tests, built into this program too: pair results
// are tested with measured patterns (two channels, impulse responses) written on the fly.
#include "directivity/DaffTestWriter.cpp"
