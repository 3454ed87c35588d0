# The reader of received state packets and the network.ini reader.
quill_fuzz(net_packet_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/net_packet.cpp quill_net)
