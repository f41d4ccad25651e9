#pragma once

// Opens every header of stowfolio_platform_widgets. What they declare needs Qt Widgets, which
// state/, workbook/ and the Core half of platform/ must not pull in, not even through a header
// that only forward-declares QWidget: a target that includes one of them without linking
// stowfolio_platform_widgets stops here instead of building against the wrong layer.

#ifndef STOWFOLIO_PLATFORM_WIDGETS
#error "This header is part of stowfolio_platform_widgets (Qt Widgets): link that target"
#endif
