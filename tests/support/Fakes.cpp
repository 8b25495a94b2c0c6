// Anchor for the fakes library; the fakes live in Fake*.cpp beside it.
