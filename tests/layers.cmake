# The layers include downwards only, and the client library's headers stay
# behind the server session: fails naming each include that breaks a rule.
#   cmake -DVA_SOURCE=<repo> -P tests/layers.cmake
set(faults "")

# files_of(<out> <folders...>): the C++ sources below the folders.
function(files_of out)
  set(all "")
  foreach(dir ${ARGN})
    file(GLOB_RECURSE found ${VA_SOURCE}/${dir}/*.h ${VA_SOURCE}/${dir}/*.cpp)
    list(APPEND all ${found})
  endforeach()
  set(${out} ${all} PARENT_SCOPE)
endfunction()

# refuse(<regex> <what> <allowed-regex> <folders...>): an include line
# matching regex in a file of the folders, unless the file's path relative
# to the repository matches allowed-regex.
function(refuse regex what allowed)
  files_of(files ${ARGN})
  foreach(f ${files})
    file(RELATIVE_PATH rel ${VA_SOURCE} ${f})
    if(allowed AND rel MATCHES "${allowed}")
      continue()
    endif()
    file(STRINGS ${f} hits REGEX "^[ \t]*#[ \t]*include[ \t]*${regex}")
    foreach(h ${hits})
      string(STRIP "${h}" h)
      set(faults "${faults}${rel}: ${h} (${what})\n")
    endforeach()
  endforeach()
  set(faults "${faults}" PARENT_SCOPE)
endfunction()

set(core config platform channels download writers jobs import)
set(everything ${core} app ui cli tools bench)
refuse("<(mysql|errmsg|mariadb[^>]*)\\.h>" "only the session includes the client library"
       "^download/session\\.cpp$" ${everything})
refuse("\"download/(session|jobSteps|downloadCommon)\\.h\"" "the download jobs' own headers"
       "^download/" ${everything})
refuse("\"(download|jobs|import|writers|ui|cli)/" "channels sit below the jobs" "" channels)
refuse("\"(channels|download|jobs|import|writers|ui|cli)/" "config sits at the bottom" "" config)
refuse("\"(download/|jobs/(jobLauncher|families)|import/|app/|ui/|cli/)"
       "writers read the tables, never the server" "" writers)
# Jobs see their request and events, never the launcher that starts them.
refuse("\"jobs/(jobLauncher|families)" "jobs know no launcher" "" download import)
refuse("\"(config|channels|download|jobs|import|writers|app|ui|cli)/"
       "the platform sits below everything" "" platform)
refuse("\"(download/(download|jobParam|downloadCommon|jobSteps|session)|jobs|writers|ui|cli)/?"
       "importers reach the server through the statement link" "" import)
refuse("\"(app|ui|cli)/" "the core knows no front end" "" ${core})

if(faults)
  message(FATAL_ERROR "Includes across the layers:\n${faults}")
endif()
message(STATUS "layers: every include points down")
