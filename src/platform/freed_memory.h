#pragma once

namespace vorn {

// Hands the pages of memory the program has freed back to the system. Start-up
// parses, checks and lays out far more than the day then keeps; without this
// the allocator holds on to what it freed, counted against the program.
void returnFreedMemory();

} // namespace vorn
