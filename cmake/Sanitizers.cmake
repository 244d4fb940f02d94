# SPDX-License-Identifier: GPL-3.0-or-later
# AddressSanitizer + UndefinedBehaviorSanitizer for the whole build (test command's
# second pass). UB findings abort instead of printing and carrying on, so a test
# run cannot pass over one.
if(ZT870K_SANITIZE)
  set(_zt870k_sanitize_flags
      -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_compile_options(${_zt870k_sanitize_flags})
  add_link_options(${_zt870k_sanitize_flags})
endif()
