// The adapter library is its core archive linked whole; this file gives the target a source of its own.
