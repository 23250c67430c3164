# The module built to draw every overlay anew, without the layers it keeps
# between refreshes: the reference that the product's overlays are compared
# with, pixel for pixel (overlay_cache_test.cpp).
moravel_module(MoravelDockletUncached MoravelDockletUncached MORAVEL_NO_OVERLAY_CACHE)
moravel_test(test_overlay_cache overlay_cache_test.cpp)
add_dependencies(test_overlay_cache MoravelDockletUncached)
