# Source checks run by the test command (ctest -R source_checks), in the spirit of curl's
# checksrc: bytes cross the network only in the stream's own file, and every include points
# down the layers (ui -> batch -> transfer -> listing -> net -> config -> platform; dirlex is
# used by net and listing). Run: cmake -DSRC=<repo>/src -P check_sources.cmake
if(NOT SRC)
  message(FATAL_ERROR "SRC not set")
endif()

set(failures "")

# 1. Socket I/O only in src/platform/stream.cpp, so a TLS stream can take it over.
set(stream_file "${SRC}/platform/stream.cpp")
file(GLOB_RECURSE engine_files "${SRC}/*.cpp" "${SRC}/*.h")
foreach(f IN LISTS engine_files)
  if(f STREQUAL stream_file)
    continue()
  endif()
  file(STRINGS "${f}" hits REGEX "::(recv|send|recvfrom|sendto|recvmsg|sendmsg|shutdown)[ ]*\\(")
  foreach(hit IN LISTS hits)
    file(RELATIVE_PATH rel "${SRC}" "${f}")
    string(APPEND failures "socket I/O outside platform/stream.cpp: ${rel}: ${hit}\n")
  endforeach()
endforeach()

# 1b. Connections are objects (net/connections.h) that own their stream: no control or data
# connection passed around as a bare descriptor, and streams made only in platform and net
# (a SocketStream made elsewhere would close a socket it does not own, or skip the wrapping
# that open_data does).
foreach(f IN LISTS engine_files)
  file(RELATIVE_PATH rel "${SRC}" "${f}")
  file(STRINGS "${f}" hits REGEX "(int[ ]+|[.>])(control_socket|data_socket|listen_socket)([^a-z_]|$)")
  foreach(hit IN LISTS hits)
    string(APPEND failures "connection as a bare descriptor: ${rel}: ${hit}\n")
  endforeach()
  if(NOT rel MATCHES "^(platform|net)/")
    file(STRINGS "${f}" hits REGEX "SocketStream[ ]*[({]|make_unique<SocketStream>")
    foreach(hit IN LISTS hits)
      string(APPEND failures "stream made outside platform and net: ${rel}: ${hit}\n")
    endforeach()
  endif()
endforeach()

# 2. Include directions.
set(allowed_platform platform)
set(allowed_dirlex dirlex)
set(allowed_config config platform)
set(allowed_net net config platform dirlex)
set(allowed_listing listing net config platform dirlex)
set(allowed_transfer transfer listing net config platform dirlex)
set(allowed_batch batch transfer listing net config platform dirlex)
set(layers platform dirlex config net listing transfer batch)
foreach(layer IN LISTS layers)
  file(GLOB_RECURSE layer_files "${SRC}/${layer}/*.cpp" "${SRC}/${layer}/*.h")
  foreach(f IN LISTS layer_files)
    file(STRINGS "${f}" includes REGEX "^[ ]*#[ ]*include[ ]+\"[a-z_]+/")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^[ ]*#[ ]*include[ ]+\"([a-z_]+)/.*$" "\\1" target "${line}")
      list(FIND allowed_${layer} "${target}" found)
      if(found EQUAL -1)
        file(RELATIVE_PATH rel "${SRC}" "${f}")
        string(APPEND failures "layer ${layer} includes the layer above it (${target}): ${rel}: ${line}\n")
      endif()
    endforeach()
    # Only src/ui may use Qt.
    file(STRINGS "${f}" qt REGEX "^[ ]*#[ ]*include[ ]+<Q")
    foreach(line IN LISTS qt)
      file(RELATIVE_PATH rel "${SRC}" "${f}")
      string(APPEND failures "Qt outside src/ui: ${rel}: ${line}\n")
    endforeach()
  endforeach()
endforeach()

if(failures)
  message(FATAL_ERROR "Source checks failed:\n${failures}")
endif()
message(STATUS "Source checks passed")
