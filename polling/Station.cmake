# orvex_station: the station's port, tables, register and settings behind the
# windows (no widgets).
add_library(orvex_station STATIC StationModel.cpp StationModel.h)
target_link_libraries(orvex_station PUBLIC orvex_protocol orvex_config orvex_store orvex_serial)
