// The translation unit that the test programs' precompiled header is made with.
