# SPDX-License-Identifier: MIT
# Build-time embedding of files into targets.
#
# Other folders use it with
#   include(${CMAKE_SOURCE_DIR}/tools/embed/Embed.cmake)
#   mira_embed(<target> <symbol> <file> [DEFLATE])
#
# <file> may be a source file or another target's output, such as $<TARGET_FILE:sndlib>; when it names
# a target's file that way, the target is built first and a rebuilt file embeds again. The generated
# source defines
#   extern const unsigned char <symbol>[];   // the file's bytes, followed by one extra zero byte
#   extern const std::size_t <symbol>_size;  // the file's size in bytes, without that zero
# and a header <symbol>.h declaring both is put on the target's include path, so sources of the
# target can `#include "<symbol>.h"`. The tool target mira_embed_tool comes from tools/embed/, which
# the tree adds before every other folder.
#
# With DEFLATE the array holds the bytes packed by zlib and <symbol>_size counts the packed bytes;
# <symbol>_unpacked_size is declared as well, and the target links mira_embed_unpack, whose
# UnpackEmbedded (EmbedUnpack.h) gives the file back. Packed, a picture read once at start costs the
# program's memory its packed size only.
include_guard(GLOBAL)

function(mira_embed target symbol file)
  cmake_parse_arguments(PARSE_ARGV 3 embed "DEFLATE" "" "")
  set(pack_option "")
  if(embed_DEFLATE)
    set(pack_option --deflate)
    target_link_libraries(${target} PRIVATE mira_embed_unpack)
  endif()
  if(NOT symbol MATCHES "^[A-Za-z_][A-Za-z0-9_]*$")
    message(FATAL_ERROR "mira_embed: '${symbol}' is not a valid C++ name")
  endif()
  set(out_dir ${CMAKE_CURRENT_BINARY_DIR}/embed)
  set(out_cpp ${out_dir}/${symbol}.cpp)
  set(out_h ${out_dir}/${symbol}.h)
  set(depends ${file})
  # A target's output: depend on the target as well, so it is built first and its relinks re-embed.
  string(REGEX MATCHALL "\\$<TARGET_FILE:([^>]+)>" target_refs "${file}")
  foreach(ref ${target_refs})
    string(REGEX REPLACE "^\\$<TARGET_FILE:([^>]+)>$" "\\1" producer "${ref}")
    list(APPEND depends ${producer})
  endforeach()
  add_custom_command(
    OUTPUT ${out_cpp} ${out_h}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${out_dir}
    COMMAND mira_embed_tool ${pack_option} ${file} ${symbol} ${out_cpp} ${out_h}
    DEPENDS mira_embed_tool ${depends}
    COMMENT "Embedding ${symbol}"
    VERBATIM)
  target_sources(${target} PRIVATE ${out_cpp} ${out_h})
  target_include_directories(${target} PRIVATE ${out_dir})
endfunction()
