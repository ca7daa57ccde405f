// A doubly linked list between two sentinel nodes.
#include "media/core/runtime_routines.h"

namespace zelvo {

void ListInit(ListNode* head, ListNode* tail) {
  head->value = -1;
  head->data = 0;
  head->previous = nullptr;
  head->next = tail;
  tail->value = -1;
  tail->data = 0;
  tail->previous = head;
  tail->next = nullptr;
}

void ListInsertAfter(ListNode* node, ListNode* newNode, std::int32_t value, std::int32_t data) {
  newNode->value = value;
  newNode->data = data;
  newNode->previous = node;
  newNode->next = node->next;
  if (node->next != nullptr) {
    node->next->previous = newNode;
  }
  node->next = newNode;
}

// The node keeps its own links.
void ListRemove(ListNode* node) {
  if (node->previous != nullptr) {
    node->previous->next = node->next;
  }
  if (node->next != nullptr) {
    node->next->previous = node->previous;
  }
}

}  // namespace zelvo
